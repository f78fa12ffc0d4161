"""The environment layer of the Windows build under Wine: the installation
root and the derived directories, found from the program's real location.

tests/drivers/env-driver.exe stands in for a launcher: it prints what the
environment layer answers, one "REQUEST=RESULT" line per request.
"""

import os
import unittest

import harness
from harness import native_path, normalized_path

DERIVED = ("get:ORVANTA_ROOTDIR", "get:ORVANTA_BINDIR", "get:KAVU_KIT_TEVOX",
           "get:NATIVE_WRAP_EXE_DIR", "java")


def expected_answers(root, exe_dir):
    """What the layer gives for an installation root, as Windows spells them."""
    orvanta = normalized_path(root) + "/orvanta"
    return [orvanta, orvanta + "\\bin64", normalized_path(root) + "/tevoxeds",
            native_path(exe_dir), orvanta + "/bin64\\jre64\\bin\\java.exe"]


class DiscoveryTest(harness.InstallationTest):
    def driver_in(self, relative_dir):
        """Copies the driver into a directory below the temporary directory."""
        return self.inst.copy_program("tests/drivers/env-driver", os.path.join(self.inst.tmp, relative_dir))

    def test_root_is_found_from_the_programs_real_location(self):
        long_name = "L" * 120
        layouts = [
            # (what it shows, installation root, program directory below it)
            ("upper case, below the marker", "Kits/Suite", "VURN/BIN/Win"),
            ("a blank", "My Suite", "vurn/bin"),
            ("the marker twice: the last decides", "A/vurn/bin/B", "vurn/bin"),
            ("longer than MAX_PATH: never cut", f"{long_name}/{long_name}", "vurn/bin"),
        ]
        for what, root, below in layouts:
            with self.subTest(what):
                program = self.driver_in(os.path.join(root, below))
                result = harness.run(program, DERIVED)
                self.assertEqual((result.status, result.err), (0, ""))
                root_path = os.path.join(self.inst.tmp, root)
                self.assertEqual(harness.driver_answers(result, DERIVED),
                                 expected_answers(root_path, os.path.dirname(program)))

    def test_current_directory_as_windows_reports_it(self):
        program = self.driver_in("Suite/vurn/bin")
        cwd = os.path.join(self.inst.tmp, "Work Dir")
        os.makedirs(cwd)
        result = harness.run(program, ["get:NATIVE_WRAP_CURRENT_DIR"], cwd=cwd)
        self.assertEqual(harness.driver_answers(result, ["get:NATIVE_WRAP_CURRENT_DIR"]), [native_path(cwd)])

    def test_development_kit_takes_the_root_from_tova_dest_root(self):
        program = self.driver_in("Suite/vurn/bin")
        # Windows finds names without regard to case.
        result = harness.run(program, DERIVED, env={"TOVA_DEV_KIT": "1", "tova_dest_root": "E:\\Kit\\Dest\\"})
        self.assertEqual(harness.driver_answers(result, DERIVED)[:3],
                         ["E:/kit/dest//orvanta", "E:/kit/dest//orvanta\\bin64", "E:/kit/dest//tevoxeds"])

    def test_development_kit_without_tova_dest_root_is_fatal(self):
        program = self.driver_in("Suite/vurn/bin")
        for mode in ("TOVA_DEV_KIT", "TOVA_OVERLAY"):
            with self.subTest(mode=mode):
                result = harness.run(program, ["get:ORVANTA_ROOTDIR"], env={mode: "1"}, remove=["TOVA_DEST_ROOT"])
                self.assertEqual((result.status, result.out, result.err),
                                 (255, "", "ERROR: TOVA_DEST_ROOT - Undefined variable\n"))

    def test_program_outside_an_installation_cannot_discover_the_root(self):
        program = self.driver_in("Apps")
        message = f"ERROR: {normalized_path(os.path.dirname(program))} - Could Not Discover TOVA Root Directory\n"
        result = harness.run(program, ["get:ORVANTA_ROOTDIR"])
        self.assertEqual((result.status, result.out, result.err), (harness.low_byte(-1), "", message))
        # The whole 32-bit status, as a Windows parent reads it.
        parent = harness.run(harness.built("tests/drivers/command-driver"),
                             [native_path(program), "get:ORVANTA_ROOTDIR"])
        self.assertEqual((parent.out, parent.err), ("status=-1\n", message))


if __name__ == "__main__":
    unittest.main()

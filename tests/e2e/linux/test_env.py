"""The environment layer of the Linux build: the installation root and the
derived directories, found from the program's real location.

tests/drivers/env-driver stands in for a launcher: it prints what the
environment layer answers, one "REQUEST=RESULT" line per request.
"""

import os
import unittest

import harness

DRIVER = "tests/drivers/env-driver"
DERIVED = ("get:ORVANTA_ROOTDIR", "get:ORVANTA_BINDIR", "get:KAVU_KIT_TEVOX",
           "get:NATIVE_WRAP_EXE_DIR", "java")
# Nothing from the runner's environment may switch the root discovery.
DISCOVERY_VARIABLES = ("TOVA_OVERLAY", "TOVA_DEV_KIT", "TOVA_DEST_ROOT", "ORVANTA_ROOTDIR_OVERRIDE",
                       "ORVANTA_BINDIR_OVERRIDE", "KAVU_KIT_TEVOX_OVERRIDE", "NATIVE_WRAP_JRE_DIR_OVERRIDE")


def ask(program, requests, env=None, cwd=None):
    return harness.run(program, requests, env=env, cwd=cwd, remove=DISCOVERY_VARIABLES)


def expected_answers(root, exe_dir):
    """What the layer gives for an installation root: case kept, "/" throughout."""
    return [root + "/orvanta", root + "/orvanta/bin64", root + "/tevoxeds", exe_dir,
            root + "/orvanta/bin64/jre64/bin/java"]


class DiscoveryTest(harness.InstallationTest):
    def setUp(self):
        super().setUp()
        # The system reports real paths; the temporary directory may lie behind a link.
        self.tmp = os.path.realpath(self.inst.tmp)

    def driver_in(self, relative_dir):
        """Copies the driver into a directory below the temporary directory."""
        return self.inst.copy_program(DRIVER, os.path.join(self.tmp, relative_dir))

    def test_root_is_found_from_the_programs_real_location(self):
        deep = "/".join(["Deep" + "d" * 200] * 3)   # longer than any first guess of a buffer
        layouts = [
            # (installation root, program directory below it)
            ("Kits/Suite", "vurn/bin"),          # upper-case letters keep their case
            ("My Suite", "vurn/bin"),            # a blank
            ("A/vurn/bin/B", "vurn/bin"),        # the marker twice: the last decides
            ("Suite", "vurn/bin/linux"),         # below the marker
            (deep, "vurn/bin"),
        ]
        for root, below in layouts:
            with self.subTest(root=root[:40]):
                program = self.driver_in(os.path.join(root, below))
                result = ask(program, DERIVED)
                self.assertEqual((result.status, result.err), (0, ""))
                self.assertEqual(harness.driver_answers(result, DERIVED),
                                 expected_answers(os.path.join(self.tmp, root), os.path.dirname(program)))

    def test_a_symbolic_link_leads_to_the_real_location(self):
        program = self.driver_in("Suite/vurn/bin")
        link = os.path.join(self.tmp, "elsewhere")
        os.symlink(program, link)
        result = ask(link, DERIVED)
        self.assertEqual(harness.driver_answers(result, DERIVED),
                         expected_answers(os.path.join(self.tmp, "Suite"), os.path.dirname(program)))

    def test_current_directory_as_the_system_reports_it(self):
        program = self.driver_in("Suite/vurn/bin")
        work = os.path.join(self.tmp, "My Work", *["Dir" + "x" * 100] * 3)
        os.makedirs(work)
        requests = ("get:NATIVE_WRAP_CURRENT_DIR",)
        self.assertEqual(harness.driver_answers(ask(program, requests, cwd=work), requests), [work])

    def test_overlay_and_development_kit_roots(self):
        program = self.driver_in("Suite/vurn/bin")
        located = os.path.join(self.tmp, "Suite")
        cases = [
            ({"TOVA_DEV_KIT": "1", "TOVA_DEST_ROOT": "/Kit/Dest/"}, "/Kit/Dest/"),  # "/" doubled, kept
            ({"TOVA_OVERLAY": "1", "TOVA_DEST_ROOT": "/Overlay"}, "/Overlay"),
            ({"TOVA_OVERLAY": "yes", "TOVA_DEST_ROOT": "/Overlay"}, located),      # the mode needs exactly 1
            ({"TOVA_DEV_KIT": "1", "TOVA_DEST_ROOT": ""}, located),                # empty: from the location
        ]
        for env, root in cases:
            with self.subTest(env=env):
                result = ask(program, DERIVED, env=env)
                self.assertEqual(harness.driver_answers(result, DERIVED), expected_answers(root, os.path.dirname(program)))

    def test_fatal_errors_end_the_process_with_one_line(self):
        cases = [
            # (program directory, environment, the one line on standard error)
            ("Apps", {}, "{dir} - Could Not Discover TOVA Root Directory"),
            ("Suite/VURN/BIN", {}, "{dir} - Could Not Discover TOVA Root Directory"),  # case matters here
            ("Suite/vurn/bin", {"TOVA_OVERLAY": "1"}, "TOVA_DEST_ROOT - Undefined variable"),
        ]
        for directory, env, message in cases:
            with self.subTest(directory=directory, env=env):
                program = self.driver_in(directory)
                result = ask(program, ("get:ORVANTA_ROOTDIR", "get:KAVU_KIT_TEVOX"), env=env)
                line = "ERROR: " + message.format(dir=os.path.dirname(program)) + "\n"
                self.assertEqual((result.status, result.out, result.err), (255, "", line))

    def test_variables_are_read_with_case(self):
        program = self.driver_in("Suite/vurn/bin")
        requests = ("get:Probe_Name", "get:PROBE_NAME", "require:EMPTY_PROBE")
        result = ask(program, requests, env={"Probe_Name": "v", "EMPTY_PROBE": ""})
        self.assertEqual((result.status, harness.driver_answers(result, requests)), (0, ["v", "", ""]))


if __name__ == "__main__":
    unittest.main()

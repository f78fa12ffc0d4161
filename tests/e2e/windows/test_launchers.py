"""The nine Windows launchers on the child road under Wine.

Each runs in a generated installation whose orvanta/bin64/jre64/bin/java.exe
is the recording test double; the record shows exactly what Java would get.
"""

import os
import unittest

import harness
from harness import AA_FONTS, PROFILES, native_path, narrow, normalized_path

USER_ARGS = ["x", "two words", "café"]
JVM_OPTION_VARIABLES = {"_JAVA_OPTIONS": "-Xmx1m", "JAVA_TOOL_OPTIONS": "-Dplanted=1"}
JVM_OPTION_NOTICES = "".join(
    f"\nIgnoring env var, {name}={value}\n"
    "Please use env var, VURN_EDIT_JVM_ARGS, to apply your JVM arguments to Vurn Pro\n"
    for name, value in JVM_OPTION_VARIABLES.items())


class LauncherTest(harness.InstallationTest):
    def setUp(self):
        super().setUp()
        # The jar names are listed in no particular order; c.JAR, x.jarx and
        # notes.txt are not jars, and a directory named like a jar is taken.
        for name in ("b.jar", "A.jar", "c.JAR", "x.jarx", "notes.txt"):
            self.inst.add_jar(name)
        os.makedirs(os.path.join(self.inst.lib, "old.jar"))
        self.orvanta = normalized_path(self.inst.root) + "/orvanta"
        self.java = self.orvanta + "/bin64\\jre64\\bin\\java.exe"
        self.record = os.path.join(self.inst.tmp, "record.json")

    def add_java(self, jre_dir=None):
        self.inst.copy_program(harness.RECORDER, os.path.join(jre_dir or self.inst.jre, "bin"), "java.exe")

    def launch(self, tool, args=USER_ARGS, env=None):
        if os.path.exists(self.record):
            os.remove(self.record)
        env = {"RECORDER_OUT": native_path(self.record), **JVM_OPTION_VARIABLES, **(env or {})}
        return harness.run(self.inst.add_launcher(tool), args, env=env)

    def java_command(self, tool, java=None, args=USER_ARGS):
        """The launcher's Java command as a string, and the argv Java gets from it."""
        java = java or self.java
        profile = PROFILES[tool]
        options = list(profile.jvm_options)
        if tool == "editor":
            options.append(f'-splash:"{self.orvanta}/../vurn/lib/marvane_splashscreen_2020.png"')
        options.append(AA_FONTS)
        lib = self.orvanta + "/../vurn/lib\\"
        class_path = ";".join(lib + name for name in ("A.jar", "b.jar", "old.jar"))
        tail = [profile.main_class] + args
        command = " ".join([f'"{java}"'] + options + ["-cp", f'"{class_path}"'] + [f'"{e}"' for e in tail]) + " "
        # The runtime's C library drops the quotes inside the splash option.
        argv = [java] + [o.replace('"', "") for o in options] + ["-cp", class_path] + tail
        return command, argv

    def test_each_launcher_runs_its_java_command(self):
        self.add_java()
        notices = set()
        for index, tool in enumerate(PROFILES):
            with self.subTest(tool=tool):
                result = self.launch(tool, env={"RECORDER_EXIT": str(10 + index)})
                self.assertEqual((result.status, result.err), (10 + index, ""))
                self.assertTrue(result.out.startswith(JVM_OPTION_NOTICES), result.out)
                notice = result.out[len(JVM_OPTION_NOTICES):]
                if PROFILES[tool].legal_notice:
                    notices.add(notice)
                else:
                    self.assertEqual(notice, "")

                record = harness.read_record(self.record)
                command, argv = self.java_command(tool)
                self.assertEqual(record["command_line"], narrow(command))
                self.assertEqual(record["argv"], [narrow(a) for a in argv])
                env = record["env"]
                self.assertEqual(harness.env_lookup(env, "ORVANTA_ROOTDIR"), narrow(self.orvanta))
                self.assertEqual(harness.env_lookup(env, "ORVANTA_BINDIR"), narrow(self.orvanta + "\\bin64"))
                path_head = f"{self.orvanta}/bin64;{self.orvanta}/../vurn/bin;"
                self.assertTrue(harness.env_lookup(env, "PATH").startswith(narrow(path_head)))
                for name in JVM_OPTION_VARIABLES:
                    self.assertIsNone(harness.env_lookup(env, name))
        # One legal notice, the same for all eight, in its shape.
        self.assertEqual(len(notices), 1)
        lines = notices.pop().split("\n")
        self.assertEqual([lines[0], lines[8], lines[9:]], ["*" * 63, "*" * 63, ["", ""]])

    def test_exit_code_passes_through_whole(self):
        self.add_java()
        parent = self.inst.copy_program("tests/drivers/command-driver")
        for code in (-1, 256):
            with self.subTest(code=code):
                result = harness.run(parent, [native_path(self.inst.add_launcher("diff"))],
                                     env={"RECORDER_OUT": native_path(self.record), "RECORDER_EXIT": str(code)})
                self.assertEqual(result.out.splitlines()[-1], f"status={code}")

    def test_missing_java_fails_to_launch(self):
        result = self.launch("makeipx", ["a b"])
        self.assertEqual(result.status, harness.low_byte(-1))
        command = self.java_command("makeipx", args=["a b"])[0]
        self.assertEqual(result.err, f"Error - failed to launch '{command}'.\n")

    def test_installation_deeper_than_max_path_fails_cleanly(self):
        # Windows without long-path support starts nothing there: the whole
        # path is tried and reported, never a cut one.
        deep = harness.Installation("/".join(["L" * 120] * 2))
        self.addCleanup(deep.cleanup)
        deep.copy_program(harness.RECORDER, os.path.join(deep.jre, "bin"))
        result = harness.run(deep.add_launcher("makeipx"))
        java = normalized_path(deep.root) + "/orvanta/bin64\\jre64\\bin\\java.exe"
        self.assertEqual(result.status, harness.low_byte(-1))
        self.assertTrue(result.err.startswith(f"Error - failed to launch '\"{java}\" "), result.err)

    def test_runtime_directory_override(self):
        other = os.path.join(self.inst.tmp, "Other JRE")
        self.add_java(other)
        result = self.launch("makeipx", env={"NATIVE_WRAP_JRE_DIR_OVERRIDE": native_path(other)})
        self.assertEqual((result.status, result.err), (0, ""))
        java = native_path(other) + "\\bin\\java.exe"  # used as written
        self.assertEqual(harness.read_record(self.record)["argv"][0], narrow(java))


if __name__ == "__main__":
    unittest.main()

"""CommandLine and the child process of the Windows build under Wine.

tests/drivers/command-driver.exe runs a program through a CommandLine and
prints "status=N" with the full 32-bit status; the recording child
(tests/doubles/java.exe) writes its argv and GetCommandLineA to a file.
"""

import os
import unittest

import harness
from harness import native_path, narrow

DRIVER = "tests/drivers/command-driver"

HOSTILE_VECTORS = [
    ["plain", "two words", "tab\there", "  lead and trail  "],
    ['say "hi"', '"', '""', 'a"b"c', '" "'],
    ["C:\\My Dir\\", "next"],                        # a trailing backslash swallows no quote
    ["\\", "\\\\", "\\\\server\\share\\", "a\\\\\\b", 'a\\\\\\"b', '\\"'],
    ["", "", " ", "\t", ""],
    ["café", "Größe €5", "½ \"ü\"\\", "\u00e9\\"],   # code page 1252
    ["--Wrapper-Verbose", "--wrapper-verbose=1", "--wrapper-disable-exec "],
    ['\\"' * 500 + " x" * 500],                   # long and dense
]


class CommandLineTest(harness.InstallationTest):
    def setUp(self):
        super().setUp()
        self.driver = self.inst.copy_program(DRIVER)
        self.child = native_path(self.inst.copy_program(harness.RECORDER))
        self.record = os.path.join(self.inst.tmp, "record.json")

    def drive(self, args, exit_code=0):
        if os.path.exists(self.record):
            os.remove(self.record)
        env = {"RECORDER_OUT": native_path(self.record), "RECORDER_EXIT": str(exit_code)}
        return harness.run(self.driver, args, env=env)

    def test_hostile_arguments_arrive_intact(self):
        for vector in HOSTILE_VECTORS:
            with self.subTest(vector=vector[:6]):
                result = self.drive([self.child] + vector)
                self.assertEqual((result.status, result.out, result.err), (0, "status=0\n", ""))
                record = harness.read_record(self.record)
                self.assertEqual(record["argv"], [narrow(self.child)] + [narrow(a) for a in vector])

    def test_exit_codes_come_back_whole(self):
        for code in (0, 3, 255, -1):
            with self.subTest(code=code):
                result = self.drive([self.child], exit_code=code)
                self.assertEqual((result.status, result.out), (harness.low_byte(code), f"status={code}\n"))

    def test_program_that_does_not_exist(self):
        missing = native_path(os.path.join(self.inst.tmp, "missing.exe"))
        result = self.drive([missing, "a b"])
        self.assertEqual((result.status, result.out), (255, "status=-1\n"))
        self.assertEqual(result.err, f"Error - failed to launch '\"{missing}\" \"a b\" '.\n")

    def test_verbose_prints_the_exact_command_before_the_child_runs(self):
        # The child is a program that prints: its line must follow the echo.
        child = native_path(self.inst.copy_program("tests/drivers/env-driver"))
        result = self.drive([child, "x", "--wrapper-verbose", "C:\\My Dir\\", 'say "hi"'])
        command = f'"{child}" "x" "C:\\My Dir\\\\" "say \\"hi\\"" '
        self.assertEqual(result.out.splitlines(),
                         [command, "x=?", "C:\\My Dir\\=?", 'say "hi"=?', "status=0"])

    def test_disabled_execution_runs_nothing(self):
        result = self.drive([self.child, "--wrapper-disable-exec", "a"], exit_code=3)
        self.assertEqual((result.status, result.out, result.err), (0, "status=0\n", ""))
        result = self.drive([self.child, "--wrapper-disable-exec", "a", "--wrapper-verbose"], exit_code=3)
        self.assertEqual((result.status, result.out), (0, f'"{self.child}" "a" \nstatus=0\n'))
        self.assertFalse(os.path.exists(self.record))


if __name__ == "__main__":
    unittest.main()

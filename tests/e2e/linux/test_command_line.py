"""CommandLine and the child process of the Linux build.

tests/drivers/command-driver runs a program through a real CommandLine (its
command string is split again and started by the POSIX backend) and prints
"status=N". The recording child, tests/doubles/recorder, writes its argv to
RECORDER_OUT, then RECORDER_READY; with RECORDER_WAIT it pauses until a
signal ends it.
"""

import os
import random
import signal
import stat
import unittest

import harness

DRIVER = "tests/drivers/command-driver"

HOSTILE_VECTORS = [
    [],
    ["plain", "two words", "tab\there", "  lead and trail  ", "line\nbreak"],
    ['say "hi"', '"', '""', 'a"b"c', '" "'],
    ["/My Dir/\\", "next"],                         # a trailing backslash swallows no quote
    ["\\", "\\\\", "\\\\server\\share\\", "a\\\\\\b", 'a\\\\\\"b', '\\"', '\\\\"'],
    ["", "", " ", "\t", ""],
    ["café", "Größe €5", "日本語", '😀 "ü"\\', b"\xff\xfe not UTF-8"],
    ["--Wrapper-Verbose", "--wrapper-verbose=1", "--wrapper-disable-exec ", "--wrapper-load-jvm-in-process"],
    ["'single'", "$HOME", "*", "; rm -rf x", "&&", "|", "`id`", "%PATH%"],
    [f"arg{i}" for i in range(40)],                 # the argument array grows twice
    ['\\"' * 500 + " x" * 500, "y" * 100000],       # long and dense
]


def random_vectors(count=25, seed=20261211):
    """Argument vectors drawn from the characters that quoting must get right."""
    rng = random.Random(seed)
    alphabet = [" ", "\t", '"', "\\", "\\", "a", "Z", "é", "€", "😀", "\n"]
    return [["".join(rng.choices(alphabet, k=rng.randrange(12))) for _ in range(rng.randrange(8))]
            for _ in range(count)]


def signal_set(pid, field):
    """The signals of a process in one /proc mask, "SigIgn" or "SigBlk"."""
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                mask = int(line.split()[1], 16)
                return {n for n in range(1, 65) if mask & (1 << (n - 1))}
    raise AssertionError(f"no {field} for {pid}")


def gone(pid):
    """True once a process has ended (it may linger as a zombie of its new parent)."""
    try:
        with open(f"/proc/{pid}/stat", "rb") as f:
            stat_line = f.read()
    except FileNotFoundError:
        return True
    return stat_line[stat_line.rindex(b")") + 2:].split()[0] in (b"Z", b"X")


class CommandLineTest(harness.InstallationTest):
    def setUp(self):
        super().setUp()
        self.driver = self.inst.copy_program(DRIVER)
        self.child = self.inst.copy_program(harness.RECORDER)
        self.record = os.path.join(self.inst.tmp, "record.json")
        self.ready = os.path.join(self.inst.tmp, "ready")

    def child_env(self, exit_code=0, wait=False):
        env = {"RECORDER_OUT": self.record, "RECORDER_READY": self.ready, "RECORDER_EXIT": str(exit_code)}
        if wait:
            env["RECORDER_WAIT"] = "1"
        return env

    def forget_last_child(self):
        for path in (self.record, self.ready):
            if os.path.exists(path):
                os.remove(path)

    def drive(self, args, exit_code=0, env=None, cwd=None):
        self.forget_last_child()
        return harness.run(self.driver, args, env={**self.child_env(exit_code), **(env or {})}, cwd=cwd)

    def start_waiting_child(self, ignored_signals=()):
        """The driver with a recorder that waits for a signal; returns both."""
        self.forget_last_child()
        proc = harness.start(self.driver, [self.child], env=self.child_env(wait=True),
                             ignored_signals=ignored_signals)
        self.addCleanup(harness.kill_group, proc)
        harness.wait_until(lambda: os.path.exists(self.ready), "the child's ready file")
        [child] = harness.child_pids(proc.pid)
        return proc, child

    def assertEnded(self, proc, status):
        result = harness.finish(proc, timeout=30)
        self.assertEqual((result.status, result.out, result.err), (status, f"status={status}\n", ""))

    def assertFailedToLaunch(self, result, command):
        self.assertEqual((result.status, result.err), (255, f"Error - failed to launch '{command}'.\n"))
        self.assertFalse(os.path.exists(self.record), "something ran")

    # Arguments and statuses

    def test_hostile_arguments_arrive_intact(self):
        for vector in HOSTILE_VECTORS + random_vectors():
            with self.subTest(vector=vector[:6]):
                result = self.drive([self.child] + vector)
                self.assertEqual((result.status, result.out, result.err), (0, "status=0\n", ""))
                self.assertEqual(harness.read_record(self.record)["argv"],
                                 [os.fsencode(a) for a in [self.child] + vector])

    def test_exit_codes_come_back(self):
        for code in (0, 3, 255):
            with self.subTest(code=code):
                result = self.drive([self.child], exit_code=code)
                self.assertEqual((result.status, result.out), (code, f"status={code}\n"))

    def test_programs_that_cannot_start(self):
        not_executable = self.inst.add_file("data.txt", b"#!/bin/sh\nexit 3\n")
        here = os.path.join(self.inst.tmp, "here")
        self.inst.copy_program(harness.RECORDER, here, "orvanta-here-only")
        cases = [
            (os.path.join(self.inst.tmp, "missing"), None),
            ("orvanta-no-such-program", None),
            (not_executable, None),
            (self.inst.tmp, None),                       # a directory
            ("orvanta-here-only", here),                 # the current directory is not searched
        ]
        for program, cwd in cases:
            with self.subTest(program=program):
                result = self.drive([program, "a b"], env={"PATH": "/usr/bin:/bin"}, cwd=cwd)
                self.assertFailedToLaunch(result, f'"{program}" "a b" ')
                self.assertEqual(result.out, "status=-1\n")

    def test_program_found_on_the_search_path_or_by_relative_path(self):
        tools = os.path.join(self.inst.tmp, "Tools Dir")
        self.inst.copy_program(harness.RECORDER, tools, "orvanta-recorder")
        cases = [
            ("orvanta-recorder", {"PATH": tools + ":/usr/bin:/bin"}, None),
            ("Tools Dir/orvanta-recorder", {}, self.inst.tmp),
        ]
        for program, env, cwd in cases:
            with self.subTest(program=program):
                result = self.drive([program, "a b", ""], env=env, cwd=cwd)
                self.assertEqual((result.status, result.err), (0, ""))
                self.assertEqual(harness.read_record(self.record)["argv"], [program.encode(), b"a b", b""])

    # Wrapper options

    def test_verbose_prints_the_exact_command_before_the_child_runs(self):
        script = 'echo "child: $1|$2"'
        result = self.drive(["sh", "-c", script, "--wrapper-verbose", "sh", 'say "hi"', "dir\\"])
        command = '"sh" "-c" "echo \\"child: $1|$2\\"" "sh" "say \\"hi\\"" "dir\\\\" '
        self.assertEqual(result.out.splitlines(), [command, 'child: say "hi"|dir\\', "status=0"])

    def test_verbose_prints_the_command_also_when_the_start_fails(self):
        missing = os.path.join(self.inst.tmp, "missing")
        result = self.drive([missing, "--wrapper-verbose", "x"])
        command = f'"{missing}" "x" '
        self.assertFailedToLaunch(result, command)
        self.assertEqual(result.out, command + "\nstatus=-1\n")

    def test_disabled_execution_runs_nothing(self):
        result = self.drive([self.child, "--wrapper-disable-exec", "a"], exit_code=3)
        self.assertEqual((result.status, result.out, result.err), (0, "status=0\n", ""))
        result = self.drive([self.child, "--wrapper-disable-exec", "a", "--wrapper-verbose"], exit_code=3)
        self.assertEqual((result.status, result.out), (0, f'"{self.child}" "a" \nstatus=0\n'))
        self.assertFalse(os.path.exists(self.record))

    # Signals

    def test_child_ended_by_a_signal(self):
        for number in (signal.SIGKILL, signal.SIGUSR1):
            with self.subTest(signal=number):
                proc, child = self.start_waiting_child()
                os.kill(child, number)
                self.assertEnded(proc, 128 + number)

    def test_interrupt_to_the_group_ends_the_child_and_its_status_comes_back(self):
        proc, _ = self.start_waiting_child()
        os.killpg(proc.pid, signal.SIGINT)
        self.assertEnded(proc, 130)

    def test_interrupt_or_quit_to_the_launcher_alone_leaves_the_child_running(self):
        for number in (signal.SIGINT, signal.SIGQUIT):
            with self.subTest(signal=number):
                proc, child = self.start_waiting_child()
                os.kill(proc.pid, number)
                self.assertFalse(gone(child))
                os.kill(child, signal.SIGUSR1)
                self.assertEnded(proc, 128 + signal.SIGUSR1)

    def test_termination_requests_are_passed_on_to_the_child(self):
        for number in (signal.SIGTERM, signal.SIGHUP):
            with self.subTest(signal=number):
                proc, _ = self.start_waiting_child()
                os.kill(proc.pid, number)
                self.assertEnded(proc, 128 + number)

    def test_a_killed_launcher_takes_its_child_along(self):
        proc, child = self.start_waiting_child()
        proc.kill()
        proc.wait()
        harness.wait_until(lambda: gone(child), "the orphaned child to end")

    def test_the_child_gets_the_signal_handling_the_launcher_was_given(self):
        proc, child = self.start_waiting_child()
        # Not the launcher's own ignoring of SIGINT and SIGQUIT while it waits.
        self.assertEqual((signal_set(child, "SigIgn"), signal_set(child, "SigBlk")), (set(), set()))
        os.kill(child, signal.SIGUSR1)
        self.assertEnded(proc, 128 + signal.SIGUSR1)

        nohup = {signal.SIGHUP, signal.SIGINT}      # a background job under nohup
        proc, child = self.start_waiting_child(ignored_signals=nohup)
        self.assertEqual(signal_set(child, "SigIgn"), nohup)
        os.kill(proc.pid, signal.SIGHUP)            # ignored by both
        os.kill(child, signal.SIGUSR1)
        self.assertEnded(proc, 128 + signal.SIGUSR1)

    def test_status_comes_back_when_child_ends_are_ignored(self):
        # An inherited SIG_IGN for SIGCHLD would have the system reap the child.
        proc = harness.start(self.driver, [self.child], env=self.child_env(exit_code=3),
                             ignored_signals={signal.SIGCHLD})
        self.addCleanup(harness.kill_group, proc)
        self.assertEnded(proc, 3)


if __name__ == "__main__":
    unittest.main()

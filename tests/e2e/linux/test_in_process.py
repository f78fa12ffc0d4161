"""The Linux launchers on the in-process road: the installed JDK's libjvm.so
loaded into the launcher, running the Java probe tools."""

import os
import re
import subprocess
import unittest

import harness
from harness import AA_FONTS, PROFILES
from probe_report import (NOARGS_JAR, PROBE_JAR, TRICKY_ARGS, Report, assert_profile_applied,
                          heap_bytes, install, jar_holding, lib_path)

IN_PROCESS = "--wrapper-load-jvm-in-process"


class InProcessTest(harness.InstallationTest):

    def install(self, tools=harness.LAUNCHERS, jars=(PROBE_JAR,)):
        install(self.inst, tools, jars)

    def launcher(self, tool):
        return os.path.join(self.inst.bin, f"{tool}-launcher")

    def launch(self, tool, args, env=None):
        # No display: the editor's splash has nothing to do here.
        return harness.run(self.launcher(tool), (IN_PROCESS,) + tuple(args), env=env, remove=("DISPLAY",))

    def test_each_probe_runs_in_process(self):
        self.install()
        self.inst.add_jar("A.jar", jar_holding())
        for tool, profile in PROFILES.items():
            with self.subTest(tool=tool):
                result = self.launch(tool, TRICKY_ARGS)
                self.assertEqual(result.status, 0, result.out + result.err)
                report = Report(result.out)
                self.assertEqual(report.args(), list(TRICKY_ARGS))
                # Also shows that the editor's splash option never reached the JVM.
                assert_profile_applied(self, report, profile)
                self.assertEqual(report.class_path(), [lib_path(self.inst, n) for n in ("A.jar", "probes.jar")])
                self.assertEqual(report.one("end"), "main returns")

    def test_heap_size_options(self):
        self.install(["makeipx"])
        result = self.launch("makeipx", ["--jvm-max-heap-size=768m", "--jvm-init-heap-size=64m"])
        self.assertEqual(result.status, 0, result.err)
        report = Report(result.out)
        self.assertEqual(report.args(), [])
        self.assertEqual(report.all("jvm.input"), ["-Xmx768m", "-XX:+UseParallelGC", AA_FONTS, "-Xms64m"])
        self.assertEqual(report.max_heap(), heap_bytes("768m"))

    def test_system_exit_ends_the_launcher_with_its_status(self):
        self.install(["diff"])
        result = self.launch("diff", ["--probe-exit=42"])
        self.assertEqual(result.status, 42, result.err)
        self.assertEqual(Report(result.out).one("end"), "exit 42")

    def test_throwing_main_prints_the_backtrace_and_fails(self):
        self.install(["generate"])
        result = self.launch("generate", ["--probe-throw"])
        self.assertEqual(result.status, 1, result.err)
        self.assertIn('Exception in thread "main" java.lang.IllegalStateException: the probe was asked to throw\n',
                      result.err)
        self.assertIn("\tat com.dunmel.kavumodel.kbtools.kbgenerate.KbGenerate.main(", result.err)

    def test_non_daemon_thread_keeps_the_launcher_alive(self):
        self.install(["validator"])
        release = os.path.join(self.inst.tmp, "release")
        launcher = subprocess.Popen([self.launcher("validator"), IN_PROCESS, f"--probe-linger={release}"],
                                    env=harness.base_env(remove=("DISPLAY",)), stdin=subprocess.DEVNULL,
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.addCleanup(launcher.kill)
        seen = []
        for line in launcher.stdout:
            seen.append(line.decode())
            if line == b"probe.end=main returns\n":
                break
        self.assertEqual(seen[-1:], ["probe.end=main returns\n"], "".join(seen))
        # main has returned; the thread holds the launcher until it is released.
        self.assertIsNone(launcher.poll())
        open(release, "w").close()
        out, err = launcher.communicate(timeout=60)
        self.assertEqual(launcher.returncode, 0, err)
        self.assertEqual(Report(out.decode()).one("thread"), "released")

    def test_missing_main_class(self):
        self.install(["diff"], jars=())
        self.inst.add_jar("other.jar", jar_holding())
        result = self.launch("diff", [])
        self.assertEqual(result.status, 255)
        self.assertIn("JavaCommandLine: JNI Class Not Found Error: com/dunmel/vurn/mxdiff/MxDiffTool\n", result.out)
        self.assertIn("java.lang.NoClassDefFoundError: com/dunmel/vurn/mxdiff/MxDiffTool", result.err)

    def test_main_without_parameters_is_the_fallback(self):
        self.install(["simscript"], jars=(NOARGS_JAR,))
        result = self.launch("simscript", ["dropped", "too"])
        self.assertEqual(result.status, 0, result.err)
        report = Report(result.out)
        self.assertEqual(report.one("main"), PROFILES["simscript"].main_class)
        self.assertEqual(report.one("signature"), "()V")

    def test_disabled_exec_prints_the_command_and_loads_nothing(self):
        self.install(["datasheet"])
        result = self.launch("datasheet", ["--wrapper-disable-exec", "--wrapper-verbose", "x"])
        self.assertEqual((result.status, result.err), (0, ""))
        java = os.path.join(self.inst.jre, "bin", "java")
        self.assertIn(f'"{java}" -Xmx1500M ', result.out)
        self.assertIn(f' "{PROFILES["datasheet"].main_class}" "x" ', result.out)
        self.assertEqual(Report(result.out).lines, [])

    def test_missing_jvm_library(self):
        self.install(["deploy"])
        runtime = os.path.join(self.inst.tmp, "empty-runtime")
        os.mkdir(runtime)
        result = self.launch("deploy", [], env={"NATIVE_WRAP_JRE_DIR_OVERRIDE": runtime})
        self.assertEqual(result.status, 255)
        library = os.path.join(runtime, "lib", "server", "libjvm.so")
        self.assertRegex(result.err, rf"^Cannot load library: '{re.escape(library)}' \(.*libjvm\.so.*\)\n$")
        self.assertEqual(Report(result.out).lines, [])


if __name__ == "__main__":
    unittest.main()

"""The nine Linux launchers on the child road, each running its Java probe
tool on the installed JDK in a generated installation."""

import os
import shutil
import tempfile
import unittest

import harness
from harness import AA_FONTS, PROFILES
from probe_report import (LEGAL_NOTICE_RULE, TRICKY_ARGS, Report, assert_profile_applied,
                          heap_bytes, install, jar_holding, lib_path)


class LaunchersTest(harness.InstallationTest):

    def setUp(self):
        super().setUp()
        install(self.inst)
        # Around the probe's jar: byte order puts upper case first; c.JAR and
        # notes.txt are no jars.
        self.inst.add_jar("b.jar", jar_holding("packed.properties"))
        self.inst.add_jar("A.jar", jar_holding())
        self.inst.add_jar("c.JAR", jar_holding())
        self.inst.add_jar("notes.txt")
        self.cwd = tempfile.mkdtemp(prefix="launcher-cwd-")
        self.addCleanup(shutil.rmtree, self.cwd, True)

    def launch(self, tool, args):
        # No display: the editor's splash has nothing to do here.
        return harness.run(os.path.join(self.inst.bin, f"{tool}-launcher"), args, cwd=self.cwd,
                           env={"_JAVA_OPTIONS": "-Dleaked=1", "JAVA_TOOL_OPTIONS": "-Dleaked=2"},
                           remove=("DISPLAY",))

    def test_each_launcher_runs_its_tool_with_its_profile(self):
        orvanta = os.path.join(self.inst.root, "orvanta")
        bindir = os.path.join(orvanta, "bin64")
        for status, (tool, profile) in enumerate(PROFILES.items(), start=10):
            args = TRICKY_ARGS + (f"--probe-exit={status}",)
            with self.subTest(tool=tool):
                result = self.launch(tool, args)
                self.assertEqual(result.status, status, result.out + result.err)
                report = Report(result.out)
                self.assertEqual(report.args(), list(args))
                assert_profile_applied(self, report, profile)
                self.assertEqual(report.class_path(),
                                 [lib_path(self.inst, name) for name in ("A.jar", "b.jar", "probes.jar")])
                self.assertEqual(report.one("env.ORVANTA_ROOTDIR"), orvanta)
                self.assertEqual(report.one("env.ORVANTA_BINDIR"), bindir)
                self.assertEqual(report.all("path")[:2],
                                 [bindir, os.path.join(orvanta, "..", "vurn", "bin")])
                self.assertEqual(report.one("env._JAVA_OPTIONS"), "unset")
                self.assertEqual(report.one("env.JAVA_TOOL_OPTIONS"), "unset")
                self.assertEqual(LEGAL_NOTICE_RULE in result.out, profile.legal_notice)
                if profile.legal_notice:
                    self.assertLess(result.out.index(LEGAL_NOTICE_RULE), result.out.index("probe.main="))

    def test_max_heap_size_option(self):
        cases = [
            # The profile's -Xmx is replaced where it stands...
            ("makeipx", "768m", ["-Xmx768m", "-XX:+UseParallelGC", AA_FONTS]),
            # ...and appended where the profile has none.
            ("simscript", "512m", [AA_FONTS, "-Xmx512m"]),
        ]
        for tool, size, options in cases:
            with self.subTest(tool=tool):
                result = self.launch(tool, ["x", f"--jvm-max-heap-size={size}"])
                self.assertEqual(result.status, 0, result.err)
                report = Report(result.out)
                self.assertEqual(report.args(), ["x"])
                self.assertEqual(report.all("jvm.input"), options)
                self.assertEqual(report.max_heap(), heap_bytes(size))

    def test_class_path_leaves_out_the_current_directory(self):
        with open(os.path.join(self.cwd, "planted.properties"), "w") as f:
            f.write("found=yes\n")
        result = self.launch("diff", ["--probe-resource=planted.properties",
                                      "--probe-resource=packed.properties"])
        self.assertEqual(result.status, 0, result.err)
        report = Report(result.out)
        self.assertEqual(report.one("resource.planted.properties"), "absent")
        self.assertEqual(report.one("resource.packed.properties"), "found")
        self.assertFalse(report.one("classpath").endswith(os.pathsep))


if __name__ == "__main__":
    unittest.main()

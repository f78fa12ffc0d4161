"""The in-process road of the Windows launchers under Wine: the real .exe files
with "--wrapper-load-jvm-in-process", against the jvm.dll and splashscreen.dll
doubles of tests/doubles/jni.

The doubles append one line per call to a record file: the call's name and its
arguments, blank-separated and %XX-escaped. jvmdep.dll, which both import, sits
only in the runtime's bin directory, so every run that gets as far as the JVM
also shows that the runtime's libraries find their dependencies there.
"""

import os
import re
import shutil
import unittest
import urllib.parse

import harness
from harness import AA_FONTS, G1_8G, PROFILES, native_path, normalized_path

DOUBLES = os.path.join(harness.BUILD_DIR, "tests", "doubles", "jni")
UNEXPECTED_STATUS = 97  # the jvm.dll double's status for a JNI slot it does not serve
ARGS_MAIN = "([Ljava/lang/String;)V"
EDITOR_CLASS = PROFILES["editor"].slash_class


def string_handle(text):
    """How the jvm.dll double names a string made by NewString."""
    return "string:" + text.encode("utf-16-be").hex()


def invocation(main_class, args=(), signature=ARGS_MAIN):
    """The calls from the check after creation up to the call of main."""
    calls = [("ExceptionOccurred",), ("FindClass", main_class), ("FindClass", "java/lang/String"),
             ("NewObjectArray", str(len(args)), "class:java/lang/String", "null")]
    for index, arg in enumerate(args):
        string = string_handle(arg)
        calls += [("NewString", string[len("string:"):]),
                  ("SetObjectArrayElement", "array#1", str(index), string),
                  ("DeleteLocalRef", string)]
    calls.append(("GetStaticMethodID", "class:" + main_class, "main", ARGS_MAIN))
    if signature == ARGS_MAIN:
        calls.append(("CallStaticVoidMethodV", "class:" + main_class, "method:main" + ARGS_MAIN, "array#1"))
    else:
        calls += [("ExceptionClear",), ("GetStaticMethodID", "class:" + main_class, "main", "()V"),
                  ("CallStaticVoidMethodV", "class:" + main_class, "method:main()V")]
    return calls


ENDING = [("ExceptionOccurred",), ("DestroyJavaVM",)]


class InProcessTest(harness.InstallationTest):
    """An installation whose runtime holds the doubles."""

    def setUp(self):
        super().setUp()
        self.record = os.path.join(self.inst.tmp, "calls.txt")
        self.runtime_bin = os.path.join(self.inst.jre, "bin")
        self.put_double("jvm.dll", "server/jvm.dll")
        self.put_double("splashscreen.dll", "splashscreen.dll")
        self.put_double("jvmdep.dll", "jvmdep.dll")

    def put_double(self, built_name, below_runtime_bin):
        dest = os.path.join(self.runtime_bin, below_runtime_bin)
        os.makedirs(os.path.dirname(dest), exist_ok=True)
        shutil.copy2(os.path.join(DOUBLES, built_name), dest)

    # How the launcher spells the installation's paths.
    def orvanta(self):
        return normalized_path(self.inst.root) + "/orvanta"

    def jre(self):
        return self.orvanta() + "/bin64\\jre64"

    def jvm_path(self):
        return self.jre() + "\\bin\\server\\jvm.dll"

    def splash_library(self):
        return self.jre() + "\\bin\\splashscreen.dll"

    def lib(self):
        return self.orvanta() + "/../vurn/lib"

    def image(self, name="marvane_splashscreen_2020.png"):
        return self.lib() + "/" + name

    def splash_shown(self, image):
        return [("SplashInit",), ("SplashLoadFile", image),
                ("SplashSetFileJarName", self.splash_library(), "null")]

    def launch(self, tool, *args, env=None, cwd=None):
        program = self.inst.add_launcher(tool)
        env = {"JNIDOUBLE_RECORD": native_path(self.record), **(env or {})}
        result = harness.run(program, ["--wrapper-load-jvm-in-process", *args], env=env, cwd=cwd)
        self.assertNotEqual(result.status, UNEXPECTED_STATUS, result)
        return result

    def forget_calls(self):
        if os.path.exists(self.record):
            os.remove(self.record)

    def calls(self):
        """The recorded calls, each a tuple of its name and its arguments."""
        if not os.path.exists(self.record):
            return []
        with open(self.record, encoding="ascii") as f:
            calls = [tuple(urllib.parse.unquote(field, encoding="latin-1") for field in line.split(" "))
                     for line in f.read().splitlines()]
        self.assertFalse([c for c in calls if c[0] == "UNEXPECTED"], calls)
        return calls

    def split_at_creation(self, calls):
        """(calls before JNI_CreateJavaVM, its options, calls after it), checking
        the fixed fields of the JavaVMInitArgs."""
        names = [c[0] for c in calls]
        self.assertEqual(names.count("JNI_CreateJavaVM"), 1, calls)
        at = names.index("JNI_CreateJavaVM")
        _, version, ignore_unrecognized, *options = calls[at]
        self.assertEqual((version, ignore_unrecognized), ("0x10006", "0"))
        return calls[:at], options, calls[at + 1:]


class InvocationTest(InProcessTest):
    def test_every_tool_runs_its_main_class_with_its_options(self):
        for tool, profile in PROFILES.items():
            main_class = profile.slash_class
            with self.subTest(tool=tool):
                self.forget_calls()
                result = self.launch(tool)
                self.assertEqual(result.status, 0, result)
                before, options, after = self.split_at_creation(self.calls())
                # The editor's splash option is shown by the launcher, never given to the JVM.
                self.assertEqual(before, self.splash_shown(self.image()) if tool == "editor" else [])
                self.assertEqual(options, list(profile.jvm_options) + [AA_FONTS, "-Djava.class.path="])
                closing = [("SplashClose",)] if tool == "editor" else []
                self.assertEqual(after, invocation(main_class) + closing + ENDING)

    def test_arguments_arrive_as_typed_in_utf16(self):
        # "é" and "€" are single bytes of code page 1252; "€" is not Latin-1.
        args = ["plain", "two words", "", 'a "quoted" one', "caf\u00e9 \u20ac5"]
        result = self.launch("makeipx", *args)
        self.assertEqual(result.status, 0, result)
        _, _, after = self.split_at_creation(self.calls())
        self.assertEqual(after, invocation(PROFILES["makeipx"].slash_class, args) + ENDING)

    def test_jars_are_sorted_by_bytes_and_joined_without_a_trailing_separator(self):
        for name in ("c.jar", "a.jar", "B.jar", "notes.txt"):
            self.inst.add_jar(name)
        result = self.launch("diff")
        self.assertEqual(result.status, 0, result)
        _, options, _ = self.split_at_creation(self.calls())
        jars = ";".join(self.lib() + "\\" + name for name in ("B.jar", "a.jar", "c.jar"))
        self.assertEqual(options[-1], "-Djava.class.path=" + jars)

    def test_heap_size_options_reach_the_jvm(self):
        result = self.launch("simscript", "--jvm-max-heap-size=512m", "--jvm-init-heap-size=64m", "x")
        self.assertEqual(result.status, 0, result)
        _, options, after = self.split_at_creation(self.calls())
        self.assertEqual(options, [AA_FONTS, "-Xms64m", "-Xmx512m", "-Djava.class.path="])
        self.assertEqual(after, invocation(PROFILES["simscript"].slash_class, ["x"]) + ENDING)

    def test_main_lookup(self):
        main_class = PROFILES["makeipx"].slash_class
        cases = [
            # (the only signature of main, status, standard output ends with, calls after creation)
            ("()V", 0, "", invocation(main_class, ["dropped"], "()V") + ENDING),
            # both lookups, no call, then the pending error printed
            ("none", 255, "JavaCommandLine: JNI Incorrect Method ID: main\n",
             invocation(main_class, ["dropped"], "()V")[:-1]
             + [("ExceptionOccurred",), ("ExceptionDescribe",), ("ExceptionClear",)]),
        ]
        for signature, status, out_end, calls in cases:
            with self.subTest(signature=signature):
                self.forget_calls()
                result = self.launch("makeipx", "dropped", env={"JNIDOUBLE_MAIN_SIGNATURE": signature})
                self.assertEqual(result.status, status, result)
                self.assertTrue(result.out.endswith(out_end), result.out)
                _, _, after = self.split_at_creation(self.calls())
                self.assertEqual(after, calls)

    def test_exception_out_of_main_is_printed_and_ends_1(self):
        result = self.launch("editor", env={"JNIDOUBLE_THROW": "java.lang.IllegalStateException: no design"})
        self.assertEqual(result.status, 1, result)
        self.assertIn('Exception in thread "main" java.lang.IllegalStateException: no design\n', result.err)
        _, _, after = self.split_at_creation(self.calls())
        # The splash closes once main has returned, before the exception is printed.
        self.assertEqual(after, invocation(EDITOR_CLASS) + [
            ("SplashClose",), ("ExceptionOccurred",), ("ExceptionDescribe",), ("ExceptionClear",),
            ("DestroyJavaVM",)])

    def test_disabled_execution_prints_the_command_and_loads_nothing(self):
        result = self.launch("editor", "--wrapper-disable-exec", "--wrapper-verbose", "x")
        self.assertEqual(result.status, 0, result)
        java = self.jre() + "\\bin\\java.exe"
        command = next(line for line in result.out.splitlines() if line.startswith('"'))
        self.assertTrue(command.startswith(f'"{java}" -Xmx8g '), command)
        self.assertIn(f'-splash:"{self.image()}"', command)
        self.assertIn('"com.dunmel.ipedit.VurnEditorApp" "x"', command)
        self.assertFalse(os.path.exists(self.record), "a runtime library was loaded")


class FailureTest(InProcessTest):
    def test_missing_jvm_library(self):
        os.remove(os.path.join(self.runtime_bin, "server", "jvm.dll"))
        result = self.launch("makeipx")
        self.assertEqual(result.status, 255, result)
        self.assertRegex(result.err, "^Cannot load library: '" + re.escape(self.jvm_path()) + r"' \(.+\)\n$")
        self.assertEqual(self.calls(), [])

    def test_jvm_library_without_the_creation_entry_point(self):
        self.put_double("jvmdep.dll", "server/jvm.dll")
        result = self.launch("makeipx")
        self.assertEqual((result.status, result.err), (255, "Cannot load symbol/function: 'JNI_CreateJavaVM'\n"))
        self.assertEqual(self.calls(), [])

    def test_failed_creation(self):
        result = self.launch("editor", env={"JNIDOUBLE_CREATE_STATUS": "-6"})
        self.assertEqual(result.status, 255, result)
        self.assertTrue(result.out.endswith("\nJavaCommandLine: Unable to Launch JVM with JNI\n"), result.out)
        before, _, after = self.split_at_creation(self.calls())
        self.assertEqual((before, after), (self.splash_shown(self.image()), []))

    def test_main_class_not_found(self):
        result = self.launch("editor", "x", env={"JNIDOUBLE_MISSING_CLASS": EDITOR_CLASS})
        self.assertEqual(result.status, 255, result)
        self.assertTrue(result.out.endswith(f"JavaCommandLine: JNI Class Not Found Error: {EDITOR_CLASS}\n"),
                        result.out)
        self.assertIn(f'Exception in thread "main" java.lang.NoClassDefFoundError: {EDITOR_CLASS}\n', result.err)
        _, _, after = self.split_at_creation(self.calls())
        # Neither SplashClose nor DestroyJavaVM on this road.
        self.assertEqual(after, [("ExceptionOccurred",), ("FindClass", EDITOR_CLASS),
                                 ("ExceptionOccurred",), ("ExceptionDescribe",), ("ExceptionClear",)])

    def test_libraries_find_their_dependency_in_the_runtime_only(self):
        # jvmdep.dll leaves the runtime for the current directory and a PATH
        # directory the launcher prepends: neither may serve the runtime's libraries.
        os.remove(os.path.join(self.runtime_bin, "jvmdep.dll"))
        cwd = os.path.join(self.inst.tmp, "work")
        for directory in (cwd, os.path.join(self.inst.root, "orvanta", "bin64")):
            os.makedirs(directory, exist_ok=True)
            shutil.copy2(os.path.join(DOUBLES, "jvmdep.dll"), directory)
        result = self.launch("editor", cwd=cwd)
        self.assertEqual(result.status, 255, result)
        self.assertIn(f"Could not load splash screen: {self.image()}\n", result.out)
        self.assertRegex(result.err, "^Cannot load library: '" + re.escape(self.jvm_path()) + r"' \(.+\)\n$")
        self.assertFalse(os.path.exists(self.record))


class SplashTest(InProcessTest):
    def test_splash_index_chooses_the_image(self):
        cases = [
            # (last argument, image shown, arguments of main)
            ("--splash=1", self.image("marvane_ip_splashscreen_2020.png"), []),
            ("--splash=2", self.image(), []),
            ("--splash=3", None, []),
            ("--help", None, ["--help"]),
        ]
        for last_arg, image, main_args in cases:
            with self.subTest(last_arg=last_arg):
                self.forget_calls()
                result = self.launch("editor", last_arg)
                self.assertEqual(result.status, 0, result)
                before, options, after = self.split_at_creation(self.calls())
                self.assertEqual(before, self.splash_shown(image) if image else [])
                self.assertEqual(options, list(G1_8G) + [AA_FONTS, "-Djava.class.path="])
                closing = [("SplashClose",)] if image else []
                self.assertEqual(after, invocation(EDITOR_CLASS, main_args) + closing + ENDING)

    def test_splash_library_lacking_an_entry_point_shows_nothing(self):
        for entry in ("SplashInit", "SplashLoadFile", "SplashSetFileJarName", "SplashClose"):
            with self.subTest(lacking=entry):
                self.forget_calls()
                self.put_double(f"splashscreen-without-{entry}.dll", "splashscreen.dll")
                result = self.launch("editor")
                self.assertEqual((result.status, result.err), (0, ""))
                self.assertNotIn("splash", result.out)
                before, options, after = self.split_at_creation(self.calls())
                self.assertEqual((before, after), ([], invocation(EDITOR_CLASS) + ENDING))
                self.assertEqual(options, list(G1_8G) + [AA_FONTS, "-Djava.class.path="])

    def test_missing_splash_library_names_the_image_and_the_tool_runs(self):
        os.remove(os.path.join(self.runtime_bin, "splashscreen.dll"))
        result = self.launch("editor")
        self.assertEqual(result.status, 0, result)
        self.assertIn(f"Could not load splash screen: {self.image()}\n", result.out)
        before, options, after = self.split_at_creation(self.calls())
        self.assertEqual((before, after), ([], invocation(EDITOR_CLASS) + ENDING))
        self.assertEqual(options, list(G1_8G) + [AA_FONTS, "-Djava.class.path="])


class BlankInInstallationPathTest(InProcessTest):
    root_name = "My Suite"

    def test_quoted_blanks_stay_inside_one_option(self):
        self.inst.add_jar("core.jar")
        extra = '-Dvurn.title="Big Chip" -Xss4m'
        result = self.launch("editor", env={"VURN_EDIT_JVM_ARGS": extra})
        self.assertEqual(result.status, 0, result)
        before, options, after = self.split_at_creation(self.calls())
        self.assertIn(" ", self.image())
        self.assertEqual(before, self.splash_shown(self.image()))
        self.assertEqual(options, list(G1_8G) + [AA_FONTS, "-Dvurn.title=Big Chip", "-Xss4m",
                                           "-Djava.class.path=" + self.lib() + "\\core.jar"])
        self.assertEqual(after, invocation(EDITOR_CLASS) + [("SplashClose",)] + ENDING)


if __name__ == "__main__":
    unittest.main()

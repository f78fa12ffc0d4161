"""The Java probe tools of tests/probes: where their jars are, what each
tool's profile promises, and how to read the report a probe prints."""

import functools
import io
import os
import re
import subprocess
import zipfile

import harness
from harness import AA_FONTS

PROBE_DIR = os.path.join(harness.BUILD_DIR, "tests", "probes")
PROBE_JAR = os.path.join(PROBE_DIR, "probes.jar")
NOARGS_JAR = os.path.join(PROBE_DIR, "probe-noargs.jar")
JAVA = os.path.join(harness.JDK_HOME, "bin", "java")

LEGAL_NOTICE_RULE = "*" * 63

# Arguments that a careless quoting or splitting would change.
TRICKY_ARGS = (
    "plain",
    "two words",
    'say "hi"',
    "trailing\\",
    "back\\\\\"slashes",
    "",
    "tab\there",
    "non-ASCII \u00fc\u20ac\U0001F600",
)


def heap_bytes(size):
    """A heap size as -Xmx reads it: 1500M, 6g, 768m."""
    number, unit = re.fullmatch(r"(\d+)([kKmMgG]?)", size).groups()
    return int(number) << {"": 0, "k": 10, "m": 20, "g": 30}[unit.lower()]


@functools.lru_cache(maxsize=None)
def default_max_heap():
    """The maximum heap the installed JVM chooses when given no options."""
    out = subprocess.run([JAVA, "-XX:+PrintFlagsFinal", "-version"], env=harness.base_env(),
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=True, text=True).stdout
    return int(re.search(r"\bMaxHeapSize\s*=\s*(\d+)", out).group(1))


def install(inst, tools=harness.LAUNCHERS, jars=(PROBE_JAR,)):
    """Lays out the launchers, the given jars in vurn/lib and the installed JDK."""
    for tool in tools:
        inst.add_launcher(tool)
    for jar in jars:
        with open(jar, "rb") as f:
            inst.add_jar(os.path.basename(jar), f.read())
    inst.use_installed_jdk()


def assert_profile_applied(test, report, profile):
    """The tool ran with the main class, JVM options, heap and collector of its profile."""
    test.assertEqual(report.one("main"), profile.main_class)
    test.assertEqual(report.all("jvm.input"), list(profile.jvm_options) + [AA_FONTS])
    test.assertEqual(report.max_heap(), heap_bytes(profile.max_heap) if profile.max_heap else default_max_heap())
    if profile.collector:
        test.assertTrue(report.all("gc"))
        for name in report.all("gc"):
            test.assertTrue(name.startswith(profile.collector), name)


def jar_holding(*names):
    """A small valid jar with the given (empty) entries."""
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w") as jar:
        for name in names:
            jar.writestr(name, "")
    return data.getvalue()


def lib_path(inst, name):
    """A jar of vurn/lib as the launcher names it on the class path."""
    return os.path.join(inst.root, "orvanta", "..", "vurn", "lib", name)


class Report:
    """The "probe.KEY=VALUE" lines of a run's standard output."""

    def __init__(self, out):
        self.lines = [line[len("probe."):].partition("=")[::2]
                      for line in out.splitlines() if line.startswith("probe.")]

    def all(self, key):
        return [value for k, value in self.lines if k == key]

    def one(self, key):
        values = self.all(key)
        if len(values) != 1:
            raise AssertionError(f"expected one probe.{key}, got {values}")
        return values[0]

    def keys(self):
        return [k for k, _ in self.lines]

    def args(self):
        """The arguments, read back from their UTF-16 code units."""
        return [bytes.fromhex(self.one(f"arg.{i}.utf16").replace(" ", "")).decode("utf-16-be", "surrogatepass")
                for i in range(int(self.one("argc")))]

    def class_path(self):
        return self.one("classpath").split(os.pathsep)

    def max_heap(self):
        return int(self.one("jvm.maxheap"))

"""Host-side harness of the end-to-end tests.

It generates installation trees in temporary directories, runs programs in
them (under Wine for the Windows build, natively for the Linux build) with
their arguments passed straight through, and captures standard output,
standard error and the exit status.

ctest passes the build to test through the environment:
  LAUNCHER_BUILD_DIR  the build directory of the preset
  LAUNCHER_TARGET     "windows" or "linux"
  WINEPREFIX          the private Wine prefix of the test run (Windows)
"""

import dataclasses
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

BUILD_DIR = os.environ.get("LAUNCHER_BUILD_DIR", "")
TARGET = os.environ.get("LAUNCHER_TARGET", "linux")
WINDOWS = TARGET == "windows"
EXE = ".exe" if WINDOWS else ""
JDK_HOME = os.environ.get("JAVA_HOME") or "/usr/lib/jvm/java-17-openjdk-amd64"


@dataclasses.dataclass(frozen=True)
class Profile:
    """What a launcher's tool profile promises."""
    main_class: str
    jvm_options: tuple  # as the profile lists them
    legal_notice: bool = True

    @property
    def slash_class(self):
        """The main class as JNI looks it up."""
        return self.main_class.replace(".", "/")

    @property
    def max_heap(self):
        """The -Xmx value of the profile, or None."""
        for option in self.jvm_options:
            if option.startswith("-Xmx"):
                return option[4:]
        return None

    @property
    def collector(self):
        """The prefix of the collectors' names; None when the JVM chooses."""
        if "-XX:+UseParallelGC" in self.jvm_options:
            return "PS "
        if "-XX:+UseG1GC" in self.jvm_options:
            return "G1 "
        return None


PARALLEL_1500M = ("-Xmx1500M", "-XX:+UseParallelGC")
G1_6G = ("-Xmx6g", "-XX:+UseG1GC", "-XX:+UseStringDeduplication")
G1_8G = ("-Xmx8g", "-XX:+UseG1GC", "-XX:+UseStringDeduplication")
AA_FONTS = "-Dawt.useSystemAAFontSettings=on"

PROFILES = {
    "makeipx": Profile("com.dunmel.kavumodel.kbtools.kbmakeipx.KbMakeIpx", PARALLEL_1500M),
    "diff": Profile("com.dunmel.vurn.mxdiff.MxDiffTool", PARALLEL_1500M),
    "makefile": Profile("com.dunmel.embeddedsw.commandline.app_lib.AppUpdateMakefileCommand", G1_6G,
                        legal_notice=False),
    "validator": Profile("com.dunmel.vurn.generate.SystemBlackboxIntegrityValidator", G1_6G),
    "generate": Profile("com.dunmel.kavumodel.kbtools.kbgenerate.KbGenerate", G1_6G),
    "datasheet": Profile("com.dunmel.kavureport.datasheet.KbDatasheet", PARALLEL_1500M),
    "editor": Profile("com.dunmel.ipedit.VurnEditorApp", G1_8G),
    "deploy": Profile("com.dunmel.vurn.generate.PlatformBuilderDeploy", G1_6G),
    "simscript": Profile("com.dunmel.kavumodel.kbtools.simscriptgen.SimScriptGen", ()),
}
LAUNCHERS = tuple(PROFILES)

# The recording child of tests/doubles, built as java.exe on Windows.
RECORDER = "tests/doubles/java" if WINDOWS else "tests/doubles/recorder"


@dataclasses.dataclass
class Result:
    status: int
    out: str
    err: str


def built(relative):
    """Path of a program in the build tree, e.g. built('tests/drivers/env-driver')."""
    return os.path.join(BUILD_DIR, relative + EXE)


def base_env(extra=None, remove=()):
    env = dict(os.environ)
    env["LC_ALL"] = "C.UTF-8"
    if WINDOWS:
        env["WINEDEBUG"] = env.get("LAUNCHER_WINEDEBUG", "-all")
        env.pop("DISPLAY", None)
    for name in remove:
        env.pop(name, None)
    env.update(extra or {})
    return env


def decode(data):
    return data.decode("utf-8", "surrogateescape").replace("\r\n", "\n")


_wine_server_checked = False


def ensure_wine_server():
    """Starts the prefix's Wine server and services unless they run already.
    They inherit the streams of the Wine process that starts them and hold a
    pipe open long after it ends, so they get /dev/null here, never a pipe
    that a test reads. The ctest fixture starts them for a whole run; this
    covers a script run on its own (the server then ends a minute after the
    last program)."""
    global _wine_server_checked
    if not WINDOWS or _wine_server_checked:
        return
    quiet = dict(env=base_env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if subprocess.run(["wineserver", "-p60"], **quiet).returncode == 0:
        subprocess.run(["wine", "wineboot"], **quiet, check=True)
    _wine_server_checked = True


def run(program, args=(), env=None, cwd=None, timeout=120, remove=(), stdin=subprocess.DEVNULL):
    """Runs a program with the given arguments, bytes or text, unchanged."""
    ensure_wine_server()
    command = (["wine", program] if WINDOWS else [program]) + list(args)
    proc = subprocess.run(command, env=base_env(env, remove), cwd=cwd, stdin=stdin,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    return Result(proc.returncode, decode(proc.stdout), decode(proc.stderr))


def start(program, args=(), env=None, cwd=None, remove=(), ignored_signals=()):
    """Starts a program without waiting, in a session and process group of its
    own, so that signals sent to its group spare the test runner. It starts as
    from a fresh shell: every signal at its default and none blocked, except
    ignored_signals, which it inherits as ignored. Pair with finish()."""
    def reset_signals():
        for number in signal.valid_signals():
            try:
                signal.signal(number, signal.SIG_IGN if number in ignored_signals else signal.SIG_DFL)
            except (OSError, ValueError):
                pass  # SIGKILL, SIGSTOP and the C library's own
        signal.pthread_sigmask(signal.SIG_SETMASK, [])

    command = (["wine", program] if WINDOWS else [program]) + list(args)
    return subprocess.Popen(command, env=base_env(env, remove), cwd=cwd, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            start_new_session=True, preexec_fn=reset_signals)


def finish(proc, timeout=120):
    """Waits for a program from start() and returns what it did."""
    out, err = proc.communicate(timeout=timeout)
    return Result(proc.returncode, decode(out), decode(err))


def kill_group(proc):
    """Ends whatever is left of a program from start() and its process group."""
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    proc.communicate()


def wait_until(condition, what, timeout=30):
    """Polls condition() until it holds; fails after timeout seconds."""
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.005)


def child_pids(pid):
    """The processes whose parent is pid (Linux, from /proc)."""
    children = []
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/stat", "rb") as f:
                stat = f.read()
        except OSError:
            continue  # ended meanwhile
        # pid (comm) state ppid ...; comm may hold blanks and parentheses.
        if int(stat[stat.rindex(b")") + 2:].split()[1]) == pid:
            children.append(int(entry))
    return children


def native_path(path):
    """How the program under test spells a host path: Z:\\... under Wine."""
    return "Z:" + path.replace("/", "\\") if WINDOWS else path


def normalized_path(path):
    """A host path as the launchers normalise the program's spelling of it:
    under Wine Z:/... with "/" and lower-case ASCII letters."""
    if not WINDOWS:
        return path
    text = "".join(c.lower() if "A" <= c <= "Z" else c for c in native_path(path).replace("\\", "/"))
    return text[0].upper() + text[1:]


def narrow(text):
    """The bytes a program of the build receives for a text argument: the
    system code page under Wine (1252 here), UTF-8 on Linux."""
    return text.encode("cp1252" if WINDOWS else "utf-8")


def low_byte(status):
    """The exit status as the host sees it."""
    return status & 0xFF


class Installation:
    """An installation tree: ROOT/vurn/bin, ROOT/vurn/lib and ROOT/orvanta/bin64/jre64."""

    def __init__(self, root_name="Suite"):
        self.tmp = tempfile.mkdtemp(prefix="launcher-e2e-")
        self.root = os.path.join(self.tmp, root_name)
        self.bin = os.path.join(self.root, "vurn", "bin")
        self.lib = os.path.join(self.root, "vurn", "lib")
        self.jre = os.path.join(self.root, "orvanta", "bin64", "jre64")
        for d in (self.bin, self.lib, os.path.join(self.jre, "bin")):
            os.makedirs(d, exist_ok=True)

    def cleanup(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def copy_program(self, relative, dest_dir=None, name=None):
        """Copies a built program (never a link: the OS would report the target)."""
        source = built(relative)
        dest = os.path.join(dest_dir or self.bin, name or os.path.basename(source))
        os.makedirs(os.path.dirname(dest), exist_ok=True)
        shutil.copy2(source, dest)
        return dest

    def add_launcher(self, tool, dest_dir=None):
        return self.copy_program(f"tools/{tool}-launcher", dest_dir)

    def add_file(self, relative, content=b""):
        path = os.path.join(self.root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)
        return path

    def add_jar(self, name, content=b""):
        return self.add_file(os.path.join("vurn", "lib", name), content)

    def use_installed_jdk(self):
        """Points the runtime directory at the installed JDK (Linux)."""
        shutil.rmtree(self.jre)
        os.symlink(JDK_HOME, self.jre)


class InstallationTest(unittest.TestCase):
    """A test case with a fresh installation per test."""

    root_name = "Suite"

    def setUp(self):
        self.inst = Installation(self.root_name)
        self.addCleanup(self.inst.cleanup)


def read_record(path):
    """Reads what the recorder wrote: argv, command line, cwd and environment, as bytes."""
    with open(path, encoding="ascii") as f:
        raw = json.load(f)
    env = {}
    for item in raw["env"]:
        name, _, value = bytes.fromhex(item).partition(b"=")
        env[name.decode("latin-1")] = value
    return {
        "argv": [bytes.fromhex(a) for a in raw["argv"]],
        "command_line": bytes.fromhex(raw["command_line"]),
        "cwd": bytes.fromhex(raw["cwd"]),
        "env": env,
    }


def env_lookup(env, name):
    """Looks a name up as the platform does: without case on Windows."""
    if not WINDOWS:
        return env.get(name)
    for key, value in env.items():
        if key.upper() == name.upper():
            return value
    return None


def driver_answers(result, requests):
    """The env-driver's answers, in request order."""
    lines = result.out.splitlines()
    assert len(lines) == len(requests), result
    values = []
    for request, line in zip(requests, lines):
        assert line.startswith(request + "="), (request, line)
        values.append(line[len(request) + 1:])
    return values

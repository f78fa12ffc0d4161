#!/usr/bin/env python3
"""Benchmarks of the launchers. They print figures and assert nothing.

Run through bench/run.sh, which builds the linux and windows presets first.
Every installation is generated in a temporary directory with the harness of
the end-to-end tests; the Java tool is a minimal one (it prints its argument
count and returns) compiled here under the main class of the measured profile.
"""

import argparse
import contextlib
import dataclasses
import math
import os
import re
import shlex
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LINUX_BUILD = os.path.join(SOURCE_DIR, "build", "linux")
WINDOWS_BUILD = os.path.join(SOURCE_DIR, "build", "windows")
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "e2e"))
# The harness serves both builds; here every program is named by its full path.
os.environ["LAUNCHER_TARGET"] = "linux"
import harness  # noqa: E402

TOOL_ARGS = ["a", "b", "c"]
JAR_COUNTS = (0, 100, 1000, 10000)
# One character each: 10,000 of them still fit the 32,767 characters of a
# Windows command line, so both platforms get the same arguments.
MANY_ARGS = ["x"] * 10000
DISABLE_EXEC = "--wrapper-disable-exec"
IN_PROCESS = "--wrapper-load-jvm-in-process"
WARM_UP = 5
OWN_WORK_PAIRS = 30
RSS_RUNS = 5
MINGW_CXX = "x86_64-w64-mingw32-g++-posix"
SECTIONS = ("roads", "own", "wine", "sizes")
ATTEMPTS = 3

JAVA_TOOL = """package {package};

// Starts, reports how many arguments it got, and returns.
public final class {name} {{
    public static void main(String[] args) {{
        System.out.println(args.length);
    }}
}}
"""


# --- Running and measuring ----------------------------------------------------

# Runs that failed and were repeated, reported with the figures.
repeated_failures = []


@dataclasses.dataclass
class Paired:
    """Medians of alternating runs of a and b, with 95 % confidence intervals."""
    a_ms: float
    b_ms: float
    ratio: float
    ratio_ci: tuple
    diff_ms: float
    diff_ci: tuple


def spawn_once(argv, env):
    """One run, standard output discarded: its exit code, wall time and the
    end of its standard error."""
    with tempfile.TemporaryFile() as err:
        actions = [(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0), (os.POSIX_SPAWN_DUP2, err.fileno(), 2)]
        start = time.perf_counter()
        pid = os.posix_spawnp(argv[0], argv, env, file_actions=actions)
        _, status = os.waitpid(pid, 0)
        elapsed = time.perf_counter() - start
        err.seek(0)
        return os.waitstatus_to_exitcode(status), elapsed, err.read()[-2000:].decode(errors="replace")


def spawn_seconds(argv, env):
    """Wall time of one successful run. A failed run is noted and repeated:
    now and then a Wine program ends 1 or 127 at once, with no message."""
    for _ in range(ATTEMPTS):
        code, elapsed, err = spawn_once(argv, env)
        if code == 0:
            return elapsed
        repeated_failures.append(f"{shlex.join(argv[:3])} ... ended with {code}: {err.strip()}")
    raise RuntimeError(repeated_failures[-1])


def median_ms(argv, env):
    spawn_seconds(argv, env)  # warm the page cache
    return 1000 * statistics.median(spawn_seconds(argv, env) for _ in range(OWN_WORK_PAIRS))


def median_ci(values):
    """The median and a distribution-free 95 % confidence interval for it
    (order statistics n/2 -+ 1.96 sqrt(n)/2)."""
    ordered = sorted(values)
    half_width = 1.96 * math.sqrt(len(ordered)) / 2
    low = max(0, math.floor(len(ordered) / 2 - half_width))
    high = min(len(ordered) - 1, math.ceil(len(ordered) / 2 + half_width))
    return statistics.median(ordered), (ordered[low], ordered[high])


def paired(a, b, env, pairs):
    """Runs a and b alternately, A B A B, after a warm-up."""
    for _ in range(WARM_UP):
        spawn_seconds(a, env)
        spawn_seconds(b, env)
    times = [(spawn_seconds(a, env), spawn_seconds(b, env)) for _ in range(pairs)]
    ratio, ratio_ci = median_ci(ta / tb for ta, tb in times)
    diff, diff_ci = median_ci(1000 * (ta - tb) for ta, tb in times)
    return Paired(1000 * statistics.median(ta for ta, _ in times), 1000 * statistics.median(tb for _, tb in times),
                  ratio, ratio_ci, diff, diff_ci)


def peak_rss_kib(argv, env):
    """Median maximum resident set size, as GNU time reports it."""
    samples = []
    for _ in range(RSS_RUNS):
        proc = subprocess.run(["/usr/bin/time", "-v", *argv], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True, check=True)
        samples.append(int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", proc.stderr)[1]))
    return statistics.median(samples)


def instructions(argv, env):
    """Instructions the process executes, counted by callgrind (exactly repeatable)."""
    with tempfile.NamedTemporaryFile(prefix="callgrind-") as out:
        subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out.name}", *argv],
                       env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        return int(re.search(rb"^summary: (\d+)", out.read(), re.M)[1])


def ratio_text(r):
    return f"{r.ratio:.3f} ({r.ratio_ci[0]:.3f}-{r.ratio_ci[1]:.3f})"


def diff_text(r):
    return f"{r.diff_ms:+.2f} ({r.diff_ci[0]:+.2f}..{r.diff_ci[1]:+.2f})"


@contextlib.contextmanager
def prompt_wakeups():
    """Asks the kernel to keep idle processors out of sleep states while the
    figures are taken (the PM QoS request lasts while its file is open). On
    a virtual machine a halted processor wakes slowly, and programs that hand
    work back and forth, as Wine does with its server, then run several
    times slower whenever the machine is otherwise idle. Yields whether the
    request was accepted (it needs root)."""
    try:
        fd = os.open("/dev/cpu_dma_latency", os.O_WRONLY)
    except OSError:
        yield False
        return
    try:
        os.write(fd, struct.pack("i", 0))
        yield True
    finally:
        os.close(fd)


def load():
    return "load average %.2f %.2f %.2f" % os.getloadavg()


def print_table(title, headers, rows):
    cells = [headers] + [[str(c) for c in row] for row in rows]
    widths = [max(len(row[i]) for row in cells) for i in range(len(headers))]
    print(f"\n{title}")
    for n, row in enumerate(cells):
        print("  " + "  ".join(c.rjust(w) if i else c.ljust(w) for i, (c, w) in enumerate(zip(row, widths))))
        if n == 0:
            print("  " + "  ".join("-" * w for w in widths))


# --- Installations and the Java tool --------------------------------------------

def linux_launcher(tool):
    return os.path.join(LINUX_BUILD, "tools", f"{tool}-launcher")


def windows_launcher(tool):
    return os.path.join(WINDOWS_BUILD, "tools", f"{tool}-launcher.exe")


@contextlib.contextmanager
def installation(launcher, jars=0):
    """A generated installation of one launcher, removed afterwards."""
    inst = harness.Installation()
    try:
        inst.launcher = inst.copy_program(launcher)
        for i in range(jars):
            inst.add_jar(f"component-{i:05d}.jar")
        yield inst
    finally:
        inst.cleanup()


def java_command(inst, env):
    """The command the launcher would run, as an argument list."""
    out = harness.run(inst.launcher, ["--wrapper-verbose", DISABLE_EXEC, *TOOL_ARGS], env=env).out
    line = out.rstrip("\n").splitlines()[-1]
    if "\\" in line:
        raise RuntimeError(f"a backslash in {line}: the command is split here with POSIX rules")
    return shlex.split(line)


def build_tool_jar(main_classes, work):
    """One jar holding the minimal tool under each main class."""
    jdk = harness.JDK_HOME
    sources = []
    for main_class in main_classes:
        package, _, name = main_class.rpartition(".")
        path = os.path.join(work, "src", *package.split("."), name + ".java")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(JAVA_TOOL.format(package=package, name=name))
        sources.append(path)
    classes = os.path.join(work, "classes")
    jar = os.path.join(work, "bench-tool.jar")
    subprocess.run([f"{jdk}/bin/javac", "--release", "17", "-d", classes, *sources], check=True)
    subprocess.run([f"{jdk}/bin/jar", "--create", "--file", jar, "-C", classes, "."], check=True)
    return jar


def main_class(inst, env):
    return java_command(inst, env)[-len(TOOL_ARGS) - 1]


def check_tool_ran(argv, env):
    """The timed runs discard the output: make sure once that the tool itself ran."""
    out = harness.run(argv[0], argv[1:], env=env).out.split()
    if out[-1:] != [str(len(TOOL_ARGS))]:
        raise RuntimeError(f"{shlex.join(argv)} did not run the tool")


# --- 1 and 2: the launcher against java started directly --------------------------

def collector(command):
    return next((o[len("-XX:+Use"):] for o in command if o.startswith("-XX:+Use") and o.endswith("GC")), "default")


def child_overhead(pairs):
    """The child road with a trivial program in place of java: the launcher's
    extra process alone, without the JVM's noise."""
    env = harness.base_env()
    with installation(linux_launcher("makeipx")) as inst:
        shutil.copy2("/bin/true", os.path.join(inst.jre, "bin", "java"))
        return paired([inst.launcher, *TOOL_ARGS], java_command(inst, env), env, pairs)


def bench_roads(tools, pairs, work):
    with contextlib.ExitStack() as stack:
        insts = [stack.enter_context(installation(linux_launcher(tool))) for tool in tools]
        measure_roads(tools, insts, pairs, work)


def measure_roads(tools, insts, pairs, work):
    env = harness.base_env()
    jar = build_tool_jar([main_class(inst, env) for inst in insts], work)
    print(f"\n1, 2. The launcher against the identical java command started directly: {pairs} pairs "
          f"A B A B after {WARM_UP} warm-up pairs, medians (95 % confidence interval); {load()}")
    overhead = child_overhead(pairs)
    rows, memory = [], []
    for tool, inst in zip(tools, insts):
        inst.use_installed_jdk()
        shutil.copy2(jar, inst.lib)
        direct = java_command(inst, env)
        for road, extra in (("child", []), ("in-process", [IN_PROCESS])):
            launcher = [inst.launcher, *extra, *TOOL_ARGS]
            check_tool_ran(launcher, env)
            r = paired(launcher, direct, env, pairs)
            expected = f"{1 + overhead.diff_ms / r.b_ms:.3f}" if road == "child" else ""
            rows.append([tool, collector(direct), road, f"{r.a_ms:.1f}", f"{r.b_ms:.1f}", ratio_text(r),
                         diff_text(r), expected])
            memory.append([tool, road, peak_rss_kib(launcher, env), peak_rss_kib(direct, env)])
    print_table("Wall time", ["tool", "GC", "road", "launcher ms", "java ms", "ratio launcher/java",
                              "difference ms", "expected ratio"], rows)
    print(f"  expected ratio: 1 + the child road's cost without a JVM / java ms. Without a JVM (bin/java a "
          f"copy of /bin/true): launcher {overhead.a_ms:.2f} ms, direct {overhead.b_ms:.2f} ms, "
          f"difference {diff_text(overhead)} ms")
    print_table("Peak resident memory, KiB (on the child road the largest of launcher and java)",
                ["tool", "road", "launcher", "java"], memory)
    print(f"  ({load()})")


# --- 3 and 4: the launcher's own work --------------------------------------------

@dataclasses.dataclass
class OwnWork:
    label: str
    jars: int
    wall_ms: float
    over_trivial_ms: float
    rss_kib: int
    instructions: int = None


def own_work_cases():
    """(jars, arguments) of each size measured."""
    return [(jars, []) for jars in JAR_COUNTS] + [(0, MANY_ARGS)]


def measure_own_work(launcher, trivial, env, runner=(), count=False):
    """Each case against the trivial program given the same arguments."""
    rows = []
    for jars, args in own_work_cases():
        with installation(launcher, jars) as inst:
            argv = [*runner, inst.launcher, DISABLE_EXEC, *args]
            r = paired(argv, [*runner, trivial, *args], env, OWN_WORK_PAIRS)
            rows.append(OwnWork(f"{len(args)} args" if args else f"{jars} jars", jars, r.a_ms, r.diff_ms,
                                peak_rss_kib(argv, env), instructions(argv, env) if count else None))
    return rows


def print_own_work(title, rows, trivial_row):
    counted = rows[0].instructions is not None
    table = [trivial_row]
    previous = None
    for row in rows:
        # The instructions each further jar costs: flat when the growth is linear.
        step = ""
        if counted and row.label.endswith("jars"):
            if previous is not None:
                step = f"{(row.instructions - previous.instructions) / (row.jars - previous.jars):.0f}"
            previous = row
        counts = [row.instructions, step] if counted else []
        table.append([row.label, f"{row.wall_ms:.2f}", f"{row.over_trivial_ms:+.2f}", *counts, row.rss_kib])
    counts = ["instructions", "instr/jar since row above"] if counted else []
    print_table(title, ["case", "wall ms", "over trivial ms", *counts, "peak RSS KiB"], table)
    print_unit_costs(rows)


def print_unit_costs(rows):
    base, jars, args = rows[0], rows[-2], rows[-1]
    for row, count, unit in ((jars, jars.jars, "jar"), (args, len(MANY_ARGS), "argument")):
        us = (row.over_trivial_ms - base.over_trivial_ms) * 1000 / count
        text = f"  per {unit} (from {row.label}): {us:.2f} us"
        if row.instructions is not None:
            text += f", {(row.instructions - base.instructions) / count:.0f} instructions"
        print(text)


def bench_linux_own_work():
    print(f"\n3. The launcher's own work: makeipx-launcher {DISABLE_EXEC}, {OWN_WORK_PAIRS} pairs A B A B "
          f"against a trivial program given the same arguments, medians; {load()}")
    env = harness.base_env()
    trivial = "/bin/true"
    rows = measure_own_work(linux_launcher("makeipx"), trivial, env, count=True)
    trivial_row = [f"trivial program ({trivial})", f"{median_ms([trivial], env):.2f}", "",
                   instructions([trivial], env), "", peak_rss_kib([trivial], env)]
    print_own_work("Linux (callgrind counts the whole process, dynamic loader included)", rows, trivial_row)


class WinePrefix:
    """A private prefix with its server and services started first, output on
    /dev/null, so that no reader waits for a pipe they hold open."""

    def __init__(self, work):
        self.env = harness.base_env({"WINEPREFIX": os.path.join(work, "wineprefix"), "WINEDEBUG": "-all",
                                     "WINEDLLOVERRIDES": "mscoree=;mshtml="}, remove=("DISPLAY",))
        for command in (["wineboot", "-i"], ["wineserver", "-w"], ["wineserver", "-p"], ["wine", "wineboot"]):
            subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=True)

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, check=False)


def trivial_exe(work):
    source = os.path.join(work, "trivial.cpp")
    exe = os.path.join(work, "trivial.exe")
    with open(source, "w") as f:
        f.write("int main() { return 0; }\n")
    # Linked as the launchers are: static and stripped.
    subprocess.run([MINGW_CXX, "-O2", "-static", "-s", source, "-o", exe], check=True)
    return exe


def bench_wine_own_work(work):
    print(f"\n4. Under Wine: wine makeipx-launcher.exe {DISABLE_EXEC}, {OWN_WORK_PAIRS} pairs A B A B against "
          f"wine trivial.exe given the same arguments, medians (private prefix, server started first, "
          f"WINEDEBUG=-all)")
    prefix = WinePrefix(work)
    try:
        trivial = trivial_exe(work)
        rows = measure_own_work(windows_launcher("makeipx"), trivial, prefix.env, runner=["wine"])
        trivial_row = ["trivial .exe", f"{median_ms(['wine', trivial], prefix.env):.2f}", "",
                       peak_rss_kib(["wine", trivial], prefix.env)]
    finally:
        prefix.stop()
    print_own_work(f"Wine ({load()})", rows, trivial_row)


# --- 5: sizes and the build --------------------------------------------------------

def bench_sizes(work):
    rows = []
    for tool in harness.LAUNCHERS:
        stripped = os.path.join(work, f"{tool}-launcher.stripped")
        subprocess.run(["strip", "-o", stripped, linux_launcher(tool)], check=True)
        rows.append([tool, os.path.getsize(windows_launcher(tool)), os.path.getsize(linux_launcher(tool)),
                     os.path.getsize(stripped)])
    print_table("5. Sizes in bytes (the .exe is linked -static -s)",
                ["tool", ".exe", "Linux", "Linux stripped"], rows)


def build_flags():
    """The compile and link flags of one Linux launcher, as ninja runs them."""
    commands = subprocess.run(["ninja", "-C", LINUX_BUILD, "-t", "commands", "tools/makeipx-launcher"],
                              capture_output=True, text=True, check=True).stdout.splitlines()
    compile_line = next(c for c in commands if c.endswith("tools/main.cpp"))
    return flags(compile_line), flags(commands[-1])


def flags(command_line):
    """The options of a compiler command, without paths, definitions and outputs."""
    kept, tokens = [], iter(shlex.split(command_line)[1:])
    for token in tokens:
        if token in ("-isystem", "-o", "-MT", "-MF"):
            next(tokens, None)
        elif token.startswith("-") and not re.match(r"-(I|D|c$|MD$)", token):
            kept.append(token)
    return " ".join(kept)


def print_setting():
    compile_flags, link_flags = build_flags()
    compiler = subprocess.run(["c++", "--version"], capture_output=True, text=True).stdout.splitlines()[0]
    cpu = next(l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo") if l.startswith("model name"))
    print(f"Machine: {cpu}, {os.cpu_count()} cores; {load()}")
    print(f"Linux build (preset linux, RelWithDebInfo, assertions kept): {compiler}")
    print(f"  compile: {compile_flags}\n  link:    {link_flags}")
    print(f"JDK: {harness.JDK_HOME}")


def main():
    global LINUX_BUILD
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pairs", type=int, default=150,
                        help="alternating pairs per comparison with the JVM (at least 40)")
    parser.add_argument("--only", choices=SECTIONS, action="append",
                        help="run only this part (repeatable); all by default")
    parser.add_argument("--linux-build", default=LINUX_BUILD,
                        help="the Linux build to measure, e.g. one of another commit to compare")
    parser.add_argument("--idle-sleep", action="store_true",
                        help="let idle processors sleep as usual (Wine figures then vary several-fold)")
    options = parser.parse_args()
    LINUX_BUILD = os.path.abspath(options.linux_build)
    sections = options.only or SECTIONS
    work = tempfile.mkdtemp(prefix="launcher-bench-")
    started = time.monotonic()
    with prompt_wakeups() if not options.idle_sleep else contextlib.nullcontext(False) as prompt:
        run_sections(sections, options.pairs, work, prompt)
    for failure in repeated_failures:
        print(f"Failed and repeated: {failure}")
    print(f"\nDone in {time.monotonic() - started:.0f} s; {load()}")


def run_sections(sections, pairs, work, prompt):
    try:
        print_setting()
        print(f"Idle processors: {'kept out of sleep states' if prompt else 'free to sleep'}")
        if "roads" in sections:
            bench_roads(("makeipx", "generate"), pairs, work)
        if "own" in sections:
            bench_linux_own_work()
        if "wine" in sections:
            bench_wine_own_work(work)
        if "sizes" in sections:
            bench_sizes(work)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

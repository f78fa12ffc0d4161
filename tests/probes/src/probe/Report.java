package probe;

import com.sun.management.HotSpotDiagnosticMXBean;
import java.io.File;
import java.lang.management.GarbageCollectorMXBean;
import java.lang.management.ManagementFactory;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Objects;
import java.util.function.BooleanSupplier;
import java.util.stream.Collectors;

/**
 * The report every probe tool prints: one "probe.KEY=VALUE" line per fact, in
 * a fixed order, so that a test can read back what the launcher handed over.
 * Arguments beginning with "--probe-" ask the probe for something more; they
 * are reported like every other argument.
 */
public final class Report {
    private static final int PATH_ENTRIES_SHOWN = 3;

    private Report() {}

    /** The whole life of a probe: the report, then the ending its arguments ask for. */
    public static void run(Class<?> tool, String[] args) throws InterruptedException {
        report(tool, args);
        finish(args);
    }

    public static void line(String key, Object value) {
        System.out.println("probe." + key + "=" + value);
    }

    public static void report(Class<?> tool, String[] args) {
        line("main", tool.getName());
        line("argc", args.length);
        for (int i = 0; i < args.length; i++) {
            line("arg." + i, args[i]);
            line("arg." + i + ".utf16", utf16(args[i]));
        }
        line("classpath", System.getProperty("java.class.path"));
        for (String option : ManagementFactory.getRuntimeMXBean().getInputArguments()) {
            line("jvm.input", option);
        }
        // The -Xmx value itself: Runtime.maxMemory() differs from it under some collectors.
        HotSpotDiagnosticMXBean hotspot = ManagementFactory.getPlatformMXBean(HotSpotDiagnosticMXBean.class);
        line("jvm.maxheap", hotspot.getVMOption("MaxHeapSize").getValue());
        for (GarbageCollectorMXBean collector : ManagementFactory.getGarbageCollectorMXBeans()) {
            line("gc", collector.getName());
        }
        line("env.ORVANTA_ROOTDIR", Objects.toString(System.getenv("ORVANTA_ROOTDIR"), "(unset)"));
        line("env.ORVANTA_BINDIR", Objects.toString(System.getenv("ORVANTA_BINDIR"), "(unset)"));
        String[] path = Objects.toString(System.getenv("PATH"), "").split(File.pathSeparator, -1);
        for (int i = 0; i < Math.min(PATH_ENTRIES_SHOWN, path.length); i++) {
            line("path", path[i]);
        }
        for (String name : new String[] {"_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS"}) {
            line("env." + name, System.getenv(name) == null ? "unset" : "set");
        }
    }

    /**
     * Ends the probe as its arguments ask: each "--probe-resource=NAME" reports whether
     * the class path holds NAME, "--probe-linger=FILE" leaves a non-daemon thread that ends
     * once FILE exists, then "--probe-throw" throws and "--probe-exit=N" calls System.exit(N).
     */
    public static void finish(String[] args) throws InterruptedException {
        for (String resource : values(args, "resource")) {
            line("resource." + resource, ClassLoader.getSystemResource(resource) == null ? "absent" : "found");
        }
        String release = option(args, "linger");
        if (release != null) {
            linger(Path.of(release));
        }
        if (flag(args, "throw")) {
            line("end", "throw");
            throw new IllegalStateException("the probe was asked to throw");
        }
        String status = option(args, "exit");
        if (status != null) {
            line("end", "exit " + status);
            System.exit(Integer.parseInt(status));
        }
        line("end", "main returns");
    }

    /** The values of the "--probe-NAME=VALUE" arguments, in order. */
    public static List<String> values(String[] args, String name) {
        String prefix = "--probe-" + name + "=";
        List<String> values = new ArrayList<>();
        for (String arg : args) {
            if (arg.startsWith(prefix)) {
                values.add(arg.substring(prefix.length()));
            }
        }
        return values;
    }

    /** The value of the last "--probe-NAME=VALUE" argument, or null. */
    public static String option(String[] args, String name) {
        List<String> all = values(args, name);
        return all.isEmpty() ? null : all.get(all.size() - 1);
    }

    public static boolean flag(String[] args, String name) {
        return Arrays.asList(args).contains("--probe-" + name);
    }

    /** Polls the condition until it holds or the time is up; true when it held. */
    public static boolean await(BooleanSupplier condition, long timeoutMillis) throws InterruptedException {
        long deadline = System.nanoTime() + timeoutMillis * 1_000_000L;
        while (!condition.getAsBoolean()) {
            if (System.nanoTime() - deadline > 0) {
                return false;
            }
            Thread.sleep(10);
        }
        return true;
    }

    private static void linger(Path release) {
        Thread thread = new Thread(() -> {
            try {
                boolean released = await(() -> Files.exists(release), 120_000);
                line("thread", released ? "released" : "timed out");
            } catch (InterruptedException e) {
                line("thread", "interrupted");
            }
        }, "probe-linger");
        thread.setDaemon(false);
        thread.start();
    }

    /** The UTF-16 code units of a text in hexadecimal, blank-separated. */
    private static String utf16(String text) {
        return text.chars().mapToObj(unit -> String.format("%04x", unit)).collect(Collectors.joining(" "));
    }
}

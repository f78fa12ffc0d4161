package com.dunmel.ipedit;

import java.awt.AWTException;
import java.awt.Rectangle;
import java.awt.Robot;
import java.awt.SplashScreen;
import probe.Report;

/**
 * Probe standing in for the editor. Besides the report, "--probe-splash=RRGGBB"
 * looks at the splash screen the launcher opened: whether it is visible, and the
 * colour in its middle (read until it shows RRGGBB or the time is up).
 * "--probe-splash-watch" adds a non-daemon thread that, once main has returned,
 * reports whether the splash screen has been closed.
 */
public final class VurnEditorApp {
    private static final long SPLASH_TIMEOUT_MILLIS = 10_000;
    private static volatile boolean mainReturned;

    private VurnEditorApp() {}

    public static void main(String[] args) throws AWTException, InterruptedException {
        Report.report(VurnEditorApp.class, args);
        String colour = Report.option(args, "splash");
        if (colour != null) {
            lookAtSplash(Integer.parseInt(colour, 16), Report.flag(args, "splash-watch"));
        }
        Report.finish(args);
        mainReturned = true;
    }

    private static void lookAtSplash(int expected, boolean watch) throws AWTException, InterruptedException {
        SplashScreen splash = SplashScreen.getSplashScreen();
        Report.line("splash.visible", splash != null && splash.isVisible());
        if (splash == null) {
            return;
        }
        Rectangle bounds = splash.getBounds();
        Robot robot = new Robot();
        int x = bounds.x + bounds.width / 2;
        int y = bounds.y + bounds.height / 2;
        int[] seen = new int[1];
        Report.await(() -> (seen[0] = robot.getPixelColor(x, y).getRGB() & 0xffffff) == expected,
                     SPLASH_TIMEOUT_MILLIS);
        Report.line("splash.pixel", String.format("%06x", seen[0]));
        if (watch) {
            watchSplashClose(splash);
        }
    }

    private static void watchSplashClose(SplashScreen splash) {
        Thread watcher = new Thread(() -> {
            try {
                Report.await(() -> mainReturned, SPLASH_TIMEOUT_MILLIS);
                boolean closed = Report.await(() -> !splash.isVisible(), SPLASH_TIMEOUT_MILLIS);
                Report.line("splash.closed.after.main", mainReturned && closed);
            } catch (InterruptedException e) {
                Report.line("splash.closed.after.main", "interrupted");
            }
        }, "probe-splash-watch");
        watcher.setDaemon(false);
        watcher.start();
    }
}

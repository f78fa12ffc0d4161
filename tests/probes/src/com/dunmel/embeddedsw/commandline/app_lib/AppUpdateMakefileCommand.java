package com.dunmel.embeddedsw.commandline.app_lib;

/** Probe standing in for the tool of this main class: reports what it received. */
public final class AppUpdateMakefileCommand {
    private AppUpdateMakefileCommand() {}

    public static void main(String[] args) throws InterruptedException {
        probe.Report.run(AppUpdateMakefileCommand.class, args);
    }
}

package com.dunmel.vurn.generate;

/** Probe standing in for the tool of this main class: reports what it received. */
public final class PlatformBuilderDeploy {
    private PlatformBuilderDeploy() {}

    public static void main(String[] args) throws InterruptedException {
        probe.Report.run(PlatformBuilderDeploy.class, args);
    }
}

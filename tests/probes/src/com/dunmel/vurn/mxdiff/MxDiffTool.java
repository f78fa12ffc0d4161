package com.dunmel.vurn.mxdiff;

/** Probe standing in for the tool of this main class: reports what it received. */
public final class MxDiffTool {
    private MxDiffTool() {}

    public static void main(String[] args) throws InterruptedException {
        probe.Report.run(MxDiffTool.class, args);
    }
}

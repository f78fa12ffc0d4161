package com.dunmel.kavumodel.kbtools.simscriptgen;

/** Probe standing in for the tool of this main class: reports what it received. */
public final class SimScriptGen {
    private SimScriptGen() {}

    public static void main(String[] args) throws InterruptedException {
        probe.Report.run(SimScriptGen.class, args);
    }
}

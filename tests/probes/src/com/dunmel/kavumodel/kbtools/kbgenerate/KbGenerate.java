package com.dunmel.kavumodel.kbtools.kbgenerate;

/** Probe standing in for the tool of this main class: reports what it received. */
public final class KbGenerate {
    private KbGenerate() {}

    public static void main(String[] args) throws InterruptedException {
        probe.Report.run(KbGenerate.class, args);
    }
}

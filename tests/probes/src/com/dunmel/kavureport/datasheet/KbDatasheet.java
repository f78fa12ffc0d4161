package com.dunmel.kavureport.datasheet;

/** Probe standing in for the tool of this main class: reports what it received. */
public final class KbDatasheet {
    private KbDatasheet() {}

    public static void main(String[] args) throws InterruptedException {
        probe.Report.run(KbDatasheet.class, args);
    }
}

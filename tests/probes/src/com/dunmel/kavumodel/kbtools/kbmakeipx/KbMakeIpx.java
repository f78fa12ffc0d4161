package com.dunmel.kavumodel.kbtools.kbmakeipx;

/** Probe standing in for the tool of this main class: reports what it received. */
public final class KbMakeIpx {
    private KbMakeIpx() {}

    public static void main(String[] args) throws InterruptedException {
        probe.Report.run(KbMakeIpx.class, args);
    }
}

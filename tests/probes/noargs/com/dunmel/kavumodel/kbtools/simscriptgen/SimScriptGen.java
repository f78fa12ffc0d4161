package com.dunmel.kavumodel.kbtools.simscriptgen;

/** A tool whose only main takes no parameters: the in-process launcher falls back to it. */
public final class SimScriptGen {
    private SimScriptGen() {}

    public static void main() {
        System.out.println("probe.main=" + SimScriptGen.class.getName());
        System.out.println("probe.signature=()V");
    }
}

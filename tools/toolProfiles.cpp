#include "toolProfiles.hpp"

namespace {

const char* const none[] = {nullptr};
const char* const classpath_dirs[] = {"ORVANTA_ROOTDIR/../vurn/lib", nullptr};
const char* const path_dirs[] = {"ORVANTA_ROOTDIR/../vurn/bin", "ORVANTA_BINDIR", nullptr};

const char* const parallel_1500m[] = {"-Xmx1500M", "-XX:+UseParallelGC", nullptr};
const char* const g1_6g[] = {"-Xmx6g", "-XX:+UseG1GC", "-XX:+UseStringDeduplication", nullptr};
const char* const g1_8g[] = {"-Xmx8g", "-XX:+UseG1GC", "-XX:+UseStringDeduplication", nullptr};

const char* const editor_splash[] = {
    "-splash:\"ORVANTA_ROOTDIR/../vurn/lib/marvane_splashscreen_2020.png\"",
    "-splash:\"ORVANTA_ROOTDIR/../vurn/lib/marvane_ip_splashscreen_2020.png\"",
    "-splash:\"ORVANTA_ROOTDIR/../vurn/lib/marvane_splashscreen_2020.png\"",
    nullptr,
};

constexpr ToolProfile profile(const char* main_class, TemplateList jvm_args,
                              TemplateList splash_args = none) {
    return {main_class, classpath_dirs, path_dirs, none, jvm_args, splash_args, none, none};
}

}  // namespace

const ToolProfile makeipx_profile =
    profile("com.dunmel.kavumodel.kbtools.kbmakeipx.KbMakeIpx", parallel_1500m);
const ToolProfile diff_profile = profile("com.dunmel.vurn.mxdiff.MxDiffTool", parallel_1500m);
const ToolProfile makefile_profile =
    profile("com.dunmel.embeddedsw.commandline.app_lib.AppUpdateMakefileCommand", g1_6g);
const ToolProfile validator_profile =
    profile("com.dunmel.vurn.generate.SystemBlackboxIntegrityValidator", g1_6g);
const ToolProfile generate_profile = profile("com.dunmel.kavumodel.kbtools.kbgenerate.KbGenerate", g1_6g);
const ToolProfile datasheet_profile = profile("com.dunmel.kavureport.datasheet.KbDatasheet", parallel_1500m);
const ToolProfile editor_profile = profile("com.dunmel.ipedit.VurnEditorApp", g1_8g, editor_splash);
const ToolProfile deploy_profile = profile("com.dunmel.vurn.generate.PlatformBuilderDeploy", g1_6g);
const ToolProfile simscript_profile = profile("com.dunmel.kavumodel.kbtools.simscriptgen.SimScriptGen", none);

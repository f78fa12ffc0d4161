#include "launcherMain.hpp"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "commonWrap.hpp"
#include "dunConfig.hpp"
#include "envUtils.hpp"
#include "javaCommandLine.hpp"
#include "toolProfile.hpp"

namespace {

const char* const kSplashPrefix = "--splash=";
const char* const kEditorMainClass = "com.dunmel.ipedit.VurnEditorApp";
const char* const kEditorArgsVariable = "VURN_EDIT_JVM_ARGS";

// JVM options in the environment would change every tool's JVM behind its back.
void dropJvmOptionVariable(const char* name) {
    const std::string value = getEnvVar(name, false);
    if (value.empty()) return;
    std::printf("\nIgnoring env var, %s=%s\n", name, value.c_str());
    std::printf("Please use env var, %s, to apply your JVM arguments to Vurn Pro\n", kEditorArgsVariable);
    unsetEnvVar(name);
}

void exportInstallVariable(const char* name) {
    setEnvVar(name, getEnvVar(name, false));
}

// The number after "--splash=", read like atoi; out of range reads as -1.
int parseSplashIndex(const char* text) {
    const long value = std::strtol(text, nullptr, 10);
    return value < INT_MIN || value > INT_MAX ? -1 : static_cast<int>(value);
}

void addEach(JavaCommandLine& command, TemplateList templates, void (JavaCommandLine::*add)(const std::string&)) {
    for (TemplateList t = templates; *t != nullptr; ++t) (command.*add)(expandVariables(*t));
}

bool asksForHelp(int argc, const char* const* argv) {
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) return true;
    }
    return false;
}

void addSplashOption(JavaCommandLine& command, TemplateList splash_args, int splash_index) {
    for (int i = 0; splash_args[i] != nullptr; ++i) {
        if (i == splash_index) command.addJvmOption(expandVariables(splash_args[i]));
    }
}

void addEditorExtras(JavaCommandLine& command, const char* main_class) {
    if (std::strncmp(main_class, kEditorMainClass, std::strlen(kEditorMainClass)) != 0) return;
    const std::string extra = getEnvVar(kEditorArgsVariable, false);
    if (extra.empty()) return;
    std::printf("Applying env var to Vurn Pro, %s=%s\n", kEditorArgsVariable, extra.c_str());
    command.addJvmOption(extra);
}

}  // namespace

int runLauncher(const ToolProfile& profile, int argc, const char* const* argv) {
    int splash_index = 0;
    dropJvmOptionVariable("_JAVA_OPTIONS");
    dropJvmOptionVariable("JAVA_TOOL_OPTIONS");
    exportInstallVariable("ORVANTA_ROOTDIR");
    exportInstallVariable("ORVANTA_BINDIR");

    // A program may be started with no argv at all: then there is nothing to take.
    if (argc > 0 && std::strncmp(argv[argc - 1], kSplashPrefix, std::strlen(kSplashPrefix)) == 0) {
        splash_index = parseSplashIndex(argv[argc - 1] + std::strlen(kSplashPrefix));
        --argc;
    }

    auto command = std::make_unique<JavaCommandLine>(profile.main_class, std::max(argc - 1, 0), argv + 1);
    command->setJavaExePath(getJavaExePath());
    prepareChildEnvironment(*command, profile);
    addEach(*command, profile.classpath_dirs, &JavaCommandLine::addClassPathDir);
    addEach(*command, profile.jvm_args, &JavaCommandLine::addJvmOption);
    if (!asksForHelp(argc, argv)) addSplashOption(*command, profile.splash_args, splash_index);
    command->addJvmOption("-Dawt.useSystemAAFontSettings=on");
    addEditorExtras(*command, profile.main_class);

    const int status = command->execute();
    command.reset();
    std::fflush(stdout);
    std::fflush(stderr);
    return status;
}

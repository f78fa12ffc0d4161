// The main sequence of the launchers, run with the nine profiles against the
// fake platform: the Java command started, the environment it inherits and
// what the launcher prints.
#include <stdio_ext.h>

#include <string>
#include <vector>

#include "commandLine.hpp"
#include "javaCommandLine.hpp"
#include "launcherMain.hpp"
#include "toolProfiles.hpp"
#include "unitSupport.hpp"

namespace {

using Strings = std::vector<std::string>;

const char* const kLauncher = "C:\\Tools\\Suite\\vurn\\bin\\tool.exe";
const char* const kLibDir = "C:/tools/suite/orvanta/../vurn/lib";
const std::string kJava = "\"C:/tools/suite/orvanta/bin64\\jre64\\bin\\java.exe\" ";
const std::string kClassPath = "C:/tools/suite/orvanta/../vurn/lib\\a.jar;C:/tools/suite/orvanta/../vurn/lib\\b.jar";
const std::string kAa = "-Dawt.useSystemAAFontSettings=on";
const std::string kParallel = "-Xmx1500M -XX:+UseParallelGC " + kAa;
const std::string kG1 = "-Xmx6g -XX:+UseG1GC -XX:+UseStringDeduplication " + kAa;
const std::string kEditorBase = "-Xmx8g -XX:+UseG1GC -XX:+UseStringDeduplication";
const std::string kEditor = kEditorBase + " " + kAa;

std::string splash(const char* image) {
    return "-splash:\"C:/tools/suite/orvanta/../vurn/lib/" + std::string(image) + "\"";
}

std::string ignoringNotice(const char* name, const char* value) {
    return "\nIgnoring env var, " + std::string(name) + "=" + value +
           "\nPlease use env var, VURN_EDIT_JVM_ARGS, to apply your JVM arguments to Vurn Pro\n";
}

class LauncherTest : public testing::Test {
protected:
    void SetUp() override { freshInstall(); }

    // The standard installation, its lib directory holding b.jar and a.jar.
    void freshInstall() {
        unit::useWindowsInstall();
        fake::setEnv("PATH", "C:\\Windows\\system32;C:\\Windows");
        fake::addDirectory(kLibDir, {"b.jar", "a.jar"});
    }

    void launch(const ToolProfile& profile, const Strings& args) {
        std::vector<const char*> argv = {kLauncher};
        for (const std::string& arg : args) argv.push_back(arg.c_str());
        output_ = unit::captureOutput([&] {
            status_ = runLauncher(profile, static_cast<int>(argv.size()), argv.data());
            unflushed_ = __fpending(stdout) + __fpending(stderr);
        });
    }

    // The one Java command the run started.
    std::string started() const {
        const std::vector<fake::StartedProcess>& processes = fake::startedProcesses();
        return processes.size() == 1 ? processes[0].command : "(" + std::to_string(processes.size()) + " started)";
    }

    // The JVM options of the started command, as written there.
    std::string jvmOptions() const {
        const std::string command = started();
        if (command.compare(0, kJava.size(), kJava) != 0) return "(not the suite's java) " + command;
        return command.substr(kJava.size(), command.find(" -cp \"") - kJava.size());
    }

    // The arguments the tool receives: what follows the main class.
    Strings toolArguments(const char* main_class) const {
        const Strings elements = splitCommandLine(started());
        for (auto it = elements.begin(); it != elements.end(); ++it) {
            if (*it == main_class) return Strings(it + 1, elements.end());
        }
        return {"(no main class)"};
    }

    unit::Output output_;
    int status_ = 0;
    std::size_t unflushed_ = 0;
};

TEST_F(LauncherTest, MakeipxWithTwoArguments) {
    fake::processExitsWith(7);
    launch(makeipx_profile, {"x", "y"});
    EXPECT_EQ(started(), kJava + "-Xmx1500M -XX:+UseParallelGC -Dawt.useSystemAAFontSettings=on -cp \"" + kClassPath +
                             "\" \"com.dunmel.kavumodel.kbtools.kbmakeipx.KbMakeIpx\" \"x\" \"y\" ");
    EXPECT_EQ(status_, 7);
    EXPECT_EQ(output_.out, legal_notice);
    EXPECT_EQ(output_.err, "");

    const fake::Environment& child = fake::startedProcesses().at(0).environment;
    EXPECT_EQ(child.at("PATH"),
              "C:/tools/suite/orvanta/bin64;C:/tools/suite/orvanta/../vurn/bin;C:\\Windows\\system32;C:\\Windows");
    EXPECT_EQ(child.at("ORVANTA_ROOTDIR"), "C:/tools/suite/orvanta");
    EXPECT_EQ(child.at("ORVANTA_BINDIR"), "C:/tools/suite/orvanta\\bin64");
    EXPECT_EQ(child.count("LD_LIBRARY_PATH"), 0u);
}

TEST_F(LauncherTest, EveryProfile) {
    struct Row {
        const ToolProfile* profile;
        const char* main_class;
        std::string options;
        bool notice;
    };
    const Row rows[] = {
        {&makeipx_profile, "com.dunmel.kavumodel.kbtools.kbmakeipx.KbMakeIpx", kParallel, true},
        {&diff_profile, "com.dunmel.vurn.mxdiff.MxDiffTool", kParallel, true},
        {&makefile_profile, "com.dunmel.embeddedsw.commandline.app_lib.AppUpdateMakefileCommand", kG1, false},
        {&validator_profile, "com.dunmel.vurn.generate.SystemBlackboxIntegrityValidator", kG1, true},
        {&generate_profile, "com.dunmel.kavumodel.kbtools.kbgenerate.KbGenerate", kG1, true},
        {&datasheet_profile, "com.dunmel.kavureport.datasheet.KbDatasheet", kParallel, true},
        {&editor_profile, "com.dunmel.ipedit.VurnEditorApp",
         kEditorBase + " " + splash("marvane_splashscreen_2020.png") + " " + kAa, true},
        {&deploy_profile, "com.dunmel.vurn.generate.PlatformBuilderDeploy", kG1, true},
        {&simscript_profile, "com.dunmel.kavumodel.kbtools.simscriptgen.SimScriptGen", kAa, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.main_class);
        freshInstall();
        launch(*row.profile, {"in"});
        EXPECT_EQ(started(), kJava + row.options + " -cp \"" + kClassPath + "\" \"" + row.main_class + "\" \"in\" ");
        EXPECT_EQ(output_.out, row.notice ? legal_notice : "");
    }
}

TEST_F(LauncherTest, SplashIndexComesFromTheLastArgument) {
    const std::string normal = kEditorBase + " " + splash("marvane_splashscreen_2020.png") + " " + kAa;
    const std::string ip = kEditorBase + " " + splash("marvane_ip_splashscreen_2020.png") + " " + kAa;
    struct Row {
        const ToolProfile* profile;
        Strings args;
        std::string options;
        Strings tool_args;
    };
    const Row rows[] = {
        {&editor_profile, {}, normal, {}},
        {&editor_profile, {"--splash=0"}, normal, {}},
        {&editor_profile, {"--splash=1"}, ip, {}},
        {&editor_profile, {"--splash=2"}, normal, {}},
        {&editor_profile, {"--splash=3"}, kEditor, {}},
        {&editor_profile, {"--splash=-1"}, kEditor, {}},
        {&editor_profile, {"--splash=99999999999"}, kEditor, {}},
        {&editor_profile, {"--splash=abc"}, normal, {}},
        {&editor_profile, {"--splash="}, normal, {}},
        {&editor_profile, {"--splash= +1"}, ip, {}},
        {&editor_profile, {"--splash=1x"}, ip, {}},
        {&editor_profile, {"--splash=1", "x"}, normal, {"--splash=1", "x"}},
        {&editor_profile, {"--splash=2", "--splash=1"}, ip, {"--splash=2"}},
        {&editor_profile, {"--SPLASH=1"}, normal, {"--SPLASH=1"}},
        {&editor_profile, {"--help"}, kEditor, {"--help"}},
        {&editor_profile, {"--help", "--splash=1"}, kEditor, {"--help"}},
        {&editor_profile, {"--splash=1", "--help"}, kEditor, {"--splash=1", "--help"}},
        {&editor_profile, {"--HELP"}, normal, {"--HELP"}},
        {&makeipx_profile, {"--splash=0"}, kParallel, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        freshInstall();
        launch(*row.profile, row.args);
        EXPECT_EQ(jvmOptions(), row.options);
        EXPECT_EQ(toolArguments(row.profile->main_class), row.tool_args);
    }
}

// The editor is recognised by the first 31 characters of its main class.
TEST_F(LauncherTest, EditorOptionsFromTheEnvironment) {
    const char* const extra = "-Dx=1  -Dy=\"a b\"";
    const std::pair<const char*, bool> rows[] = {
        {"com.dunmel.ipedit.VurnEditorApp", true},
        {"com.dunmel.ipedit.VurnEditorAppLite", true},
        {"com.dunmel.ipedit.VurnEditorAp", false},
        {"com.dunmel.ipedit.vurneditorapp", false},
        {"x.com.dunmel.ipedit.VurnEditorApp", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        freshInstall();
        fake::setEnv("VURN_EDIT_JVM_ARGS", extra);
        ToolProfile profile = makeipx_profile;
        profile.main_class = row.first;
        launch(profile, {});
        const std::string applying = "Applying env var to Vurn Pro, VURN_EDIT_JVM_ARGS=" + std::string(extra) + "\n";
        EXPECT_EQ(jvmOptions(), row.second ? kParallel + " " + extra : kParallel);
        EXPECT_EQ(output_.out, row.second ? legal_notice + applying : legal_notice);
    }
}

TEST_F(LauncherTest, EmptyEditorOptionsAreIgnored) {
    fake::setEnv("VURN_EDIT_JVM_ARGS", "");
    launch(editor_profile, {"--splash=3"});
    EXPECT_EQ(jvmOptions(), kEditor);
    EXPECT_EQ(output_.out, legal_notice);
}

// Heap sizes are applied when the command is built, after every option is in.
TEST_F(LauncherTest, HeapSizeOptions) {
    struct Row {
        const ToolProfile* profile;
        const char* editor_args;
        Strings args;
        std::string options;
    };
    const Row rows[] = {
        {&makeipx_profile, "", {"--jvm-max-heap-size=4g"}, "-Xmx4g -XX:+UseParallelGC " + kAa},
        {&simscript_profile, "", {"--jvm-max-heap-size=2g"}, kAa + " -Xmx2g"},
        {&editor_profile, "-Dx=1 -Xms64m -Dy=2", {"--jvm-init-heap-size=1g", "--jvm-max-heap-size=12g", "--splash=3"},
         "-Xmx12g -XX:+UseG1GC -XX:+UseStringDeduplication " + kAa + " -Dx=1 -Xms1g -Dy=2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.profile->main_class);
        freshInstall();
        fake::setEnv("VURN_EDIT_JVM_ARGS", row.editor_args);
        launch(*row.profile, row.args);
        EXPECT_EQ(jvmOptions(), row.options);
        EXPECT_EQ(toolArguments(row.profile->main_class), Strings{});
    }
}

TEST_F(LauncherTest, JvmOptionVariablesAreRemovedWithANotice) {
    struct Row {
        const char* java_options;  // null: unset
        const char* tool_options;
        std::string notices;
    };
    const Row rows[] = {
        {"-Xmx1g", "-Dfoo=1",
         ignoringNotice("_JAVA_OPTIONS", "-Xmx1g") + ignoringNotice("JAVA_TOOL_OPTIONS", "-Dfoo=1")},
        {nullptr, "-Dfoo=1", ignoringNotice("JAVA_TOOL_OPTIONS", "-Dfoo=1")},
        {"-Xmx1g", nullptr, ignoringNotice("_JAVA_OPTIONS", "-Xmx1g")},
        {"", nullptr, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.notices);
        freshInstall();
        if (row.java_options != nullptr) fake::setEnv("_JAVA_OPTIONS", row.java_options);
        if (row.tool_options != nullptr) fake::setEnv("JAVA_TOOL_OPTIONS", row.tool_options);
        launch(makefile_profile, {});
        EXPECT_EQ(output_.out, row.notices);
        EXPECT_EQ(jvmOptions(), kG1);
        const fake::Environment& child = fake::startedProcesses().at(0).environment;
        EXPECT_EQ(child.count("JAVA_TOOL_OPTIONS"), 0u);
        if (row.java_options != nullptr && *row.java_options) {
            EXPECT_EQ(child.count("_JAVA_OPTIONS"), 0u);
        }
    }
}

TEST_F(LauncherTest, OutputOrderAndFlushes) {
    fake::setEnv("_JAVA_OPTIONS", "-Xmx1g");
    fake::setEnv("VURN_EDIT_JVM_ARGS", "-Dx=1");
    launch(editor_profile, {"--wrapper-verbose", "--wrapper-disable-exec", "a"});
    const std::string command = kJava + kEditorBase + " " + splash("marvane_splashscreen_2020.png") + " " + kAa +
                                " -Dx=1 -cp \"" + kClassPath + "\" \"com.dunmel.ipedit.VurnEditorApp\" \"a\" ";
    EXPECT_EQ(output_.out, ignoringNotice("_JAVA_OPTIONS", "-Xmx1g") + legal_notice +
                               "Applying env var to Vurn Pro, VURN_EDIT_JVM_ARGS=-Dx=1\n" + command + "\n");
    EXPECT_EQ(status_, 0);
    EXPECT_TRUE(fake::startedProcesses().empty());
    EXPECT_EQ(unflushed_, 0u) << "the launcher flushes before it returns";
}

TEST_F(LauncherTest, OutputIsFlushedBeforeTheChildStarts) {
    launch(makeipx_profile, {"--wrapper-verbose"});
    ASSERT_EQ(fake::startedProcesses().size(), 1u);
    EXPECT_EQ(fake::startedProcesses()[0].unflushed_output, 0u);
    EXPECT_EQ(output_.out, legal_notice + started() + "\n");
}

TEST_F(LauncherTest, LaunchFailure) {
    fake::processFailsToStart();
    launch(makeipx_profile, {"x"});
    EXPECT_EQ(status_, -1);
    EXPECT_EQ(output_.err, "Error - failed to launch '" + started() + "'.\n");
}

TEST_F(LauncherTest, ToolArgumentsArriveIntact) {
    const Strings args = {"", "a b", "C:\\My Dir\\", "say \"hi\"", "\\\\\"", "\t", "caf\xE9", "--splash=1", "x"};
    launch(makeipx_profile, args);
    EXPECT_EQ(toolArguments(makeipx_profile.main_class), args);
}

TEST_F(LauncherTest, RuntimeOverride) {
    fake::setEnv("NATIVE_WRAP_JRE_DIR_OVERRIDE", "D:\\Java\\Runtime");
    launch(simscript_profile, {});
    EXPECT_EQ(started(), "\"D:\\Java\\Runtime\\bin\\java.exe\" " + kAa + " -cp \"" + kClassPath +
                             "\" \"com.dunmel.kavumodel.kbtools.simscriptgen.SimScriptGen\" ");
}

TEST_F(LauncherTest, InProcessRoadWithExecutionDisabledLoadsNothing) {
    launch(makeipx_profile, {"--wrapper-load-jvm-in-process", "--wrapper-disable-exec", "--wrapper-verbose", "x"});
    const std::string command = kJava + kParallel + " -cp \"" + kClassPath +
                                "\" \"com.dunmel.kavumodel.kbtools.kbmakeipx.KbMakeIpx\" \"x\" ";
    EXPECT_EQ(output_.out, legal_notice + command + "\n");
    EXPECT_EQ(status_, 0);
    EXPECT_TRUE(fake::loadRequests().empty());
    EXPECT_TRUE(fake::startedProcesses().empty());
}

// The system may start a program with an empty argv, or with a program name
// that itself looks like a splash argument: no tool argument may appear.
TEST_F(LauncherTest, EmptyOrSplashOnlyArgumentVector) {
    const char* const empty[] = {nullptr};
    const char* const splash_only[] = {"--splash=1", nullptr};
    for (const char* const* argv : {empty, splash_only}) {
        const int argc = argv == empty ? 0 : 1;
        SCOPED_TRACE(argc);
        freshInstall();
        unit::captureOutput([&] { status_ = runLauncher(makeipx_profile, argc, argv); });
        EXPECT_EQ(status_, 0);
        EXPECT_EQ(started(), kJava + kParallel + " -cp \"" + kClassPath +
                                 "\" \"com.dunmel.kavumodel.kbtools.kbmakeipx.KbMakeIpx\" ");
    }
}

TEST(LauncherPosixTest, MakeipxWithOneArgument) {
    unit::usePosixInstall();
    fake::setEnv("PATH", "/usr/bin:/bin");
    fake::addDirectory("/opt/Suite/orvanta/../vurn/lib", {"b.jar", "a.jar"});
    const char* const argv[] = {"/opt/Suite/vurn/bin/makeipx-launcher", "x"};
    unit::captureOutput([&] { runLauncher(makeipx_profile, 2, argv); });
    ASSERT_EQ(fake::startedProcesses().size(), 1u);
    const fake::StartedProcess& child = fake::startedProcesses()[0];
    EXPECT_EQ(child.command,
              "\"/opt/Suite/orvanta/bin64/jre64/bin/java\" " + kParallel +
                  " -cp \"/opt/Suite/orvanta/../vurn/lib/a.jar:/opt/Suite/orvanta/../vurn/lib/b.jar\" "
                  "\"com.dunmel.kavumodel.kbtools.kbmakeipx.KbMakeIpx\" \"x\" ");
    EXPECT_EQ(child.environment.at("PATH"), "/opt/Suite/orvanta/bin64:/opt/Suite/orvanta/../vurn/bin:/usr/bin:/bin");
    EXPECT_EQ(child.environment.at("ORVANTA_BINDIR"), "/opt/Suite/orvanta/bin64");
}

}  // namespace

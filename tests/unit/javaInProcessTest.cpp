// The in-process road up to the creation of the JVM, with libraries from the
// fake: the options the JVM is given, the splash screen, and the failures
// before a JVM exists. Running a main class needs a JVM; the end-to-end
// layers do that.
#include <jni.h>

#include <string>
#include <vector>

#include "javaCommandLine.hpp"
#include "unitSupport.hpp"

namespace {

using Strings = std::vector<std::string>;

const std::string kRuntime = "C:/tools/suite/orvanta/bin64\\jre64";
const std::string kJvmLibrary = kRuntime + "\\bin\\server\\jvm.dll";
const std::string kSplashLibrary = kRuntime + "\\bin\\splashscreen.dll";
const std::string kClassPathOption = "-Djava.class.path=D:/lib\\a.jar;D:/lib\\b.jar";
const std::string kNoJvm = "\nJavaCommandLine: Unable to Launch JVM with JNI\n";

// What the library doubles were asked.
struct Calls {
    jint version = 0;
    jboolean ignore_unrecognized = JNI_TRUE;
    Strings jvm_options;
    Strings splash;
};
Calls calls;

// Records the arguments and refuses, so that no JVM is needed.
jint JNICALL refuseToCreateJvm(JavaVM**, void**, void* args) {
    const auto* init = static_cast<const JavaVMInitArgs*>(args);
    calls.version = init->version;
    calls.ignore_unrecognized = init->ignoreUnrecognized;
    for (jint i = 0; i < init->nOptions; ++i) calls.jvm_options.push_back(init->options[i].optionString);
    return JNI_ERR;
}

void splashInit() { calls.splash.push_back("init"); }
int splashLoadFile(const char* path) {
    calls.splash.push_back(std::string("load ") + path);
    return 1;
}
void splashSetFileJarName(const char* file, const char* jar) {
    calls.splash.push_back(std::string("name ") + file + (jar == nullptr ? " (no jar)" : jar));
}
void splashClose() { calls.splash.push_back("close"); }

// A library export as the fake hands it out.
template <typename Function>
void* symbol(Function* function) {
    return reinterpret_cast<void*>(function);
}

class JavaInProcessTest : public testing::Test {
protected:
    void SetUp() override {
        unit::useWindowsInstall();
        calls = Calls();
        fake::addDirectory("D:/lib", {"b.jar", "a.jar"});
    }

    int run(const std::string& options) {
        const char* const args[] = {"--wrapper-load-jvm-in-process", "x"};
        int status = 0;
        output_ = unit::captureOutput([&] {
            JavaCommandLine command("com.example.Main", 2, args);
            command.addClassPathDir("D:/lib");
            if (!options.empty()) command.addJvmOption(options);
            status = command.execute();
        });
        return status;
    }

    unit::Output output_;
};

TEST_F(JavaInProcessTest, JvmGetsTheSplitOptionsAndTheClassPathLast) {
    fake::addLibrary(kJvmLibrary, {{"JNI_CreateJavaVM", symbol(refuseToCreateJvm)}});
    fake::addLibrary(kSplashLibrary, {{"SplashInit", symbol(splashInit)},
                                      {"SplashLoadFile", symbol(splashLoadFile)},
                                      {"SplashSetFileJarName", symbol(splashSetFileJarName)},
                                      {"SplashClose", symbol(splashClose)}});
    const int status = run("-Xmx1g  -splash:\"C:/img dir/s.png\" -Dy=\"a b\" -Dz=1");

    EXPECT_EQ(calls.jvm_options, (Strings{"-Xmx1g", "-Dy=a b", "-Dz=1", kClassPathOption}));
    EXPECT_EQ(calls.version, JNI_VERSION_1_6);
    EXPECT_EQ(calls.ignore_unrecognized, JNI_FALSE);
    EXPECT_EQ(calls.splash, (Strings{"init", "load C:/img dir/s.png", "name " + kSplashLibrary + " (no jar)"}));
    ASSERT_EQ(fake::loadRequests().size(), 2u);
    EXPECT_EQ(fake::loadRequests()[0].path, kSplashLibrary);
    EXPECT_EQ(fake::loadRequests()[1].path, kJvmLibrary);
    EXPECT_EQ(fake::loadRequests()[1].runtime_dir, kRuntime);
    EXPECT_EQ(fake::counters().run_on_jvm_thread, 1);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(output_.out, legal_notice + kNoJvm);
    EXPECT_TRUE(fake::startedProcesses().empty());
}

TEST_F(JavaInProcessTest, WithoutOptionsTheClassPathIsTheOnlyOption) {
    fake::addLibrary(kJvmLibrary, {{"JNI_CreateJavaVM", symbol(refuseToCreateJvm)}});
    run("");
    EXPECT_EQ(calls.jvm_options, (Strings{kClassPathOption}));
}

TEST_F(JavaInProcessTest, MissingSplashLibraryDoesNotStopTheLaunch) {
    fake::addLibrary(kJvmLibrary, {{"JNI_CreateJavaVM", symbol(refuseToCreateJvm)}});
    run("-splash:\"C:/s.png\" -Dz=1");
    EXPECT_EQ(calls.jvm_options, (Strings{"-Dz=1", kClassPathOption}));
    EXPECT_EQ(output_.out, legal_notice + "Could not load splash screen: C:/s.png\n" + kNoJvm);
}

TEST_F(JavaInProcessTest, MissingJvmLibrary) {
    EXPECT_EQ(run(""), -1);
    const std::string expected = "Cannot load library: '" + kJvmLibrary + "'";
    EXPECT_EQ(output_.err.compare(0, expected.size(), expected), 0) << output_.err;
}

TEST_F(JavaInProcessTest, MissingEntryPoint) {
    fake::addLibrary(kJvmLibrary, {});
    EXPECT_EQ(run(""), -1);
    EXPECT_EQ(output_.err, "Cannot load symbol/function: 'JNI_CreateJavaVM'\n");
    EXPECT_EQ(fake::freedLibraries(), 1u);
}

}  // namespace

// Preparation of the environment the Java tool inherits.
#include <string>
#include <utility>
#include <vector>

#include "commandLine.hpp"
#include "commonWrap.hpp"
#include "toolProfiles.hpp"
#include "unitSupport.hpp"

namespace {

const char* const kSuiteEntries = "C:/tools/suite/orvanta/bin64;C:/tools/suite/orvanta/../vurn/bin";

TEST(CommonWrapTest, PathGainsTheSuiteDirectoriesInFront) {
    struct Row {
        std::vector<std::pair<const char*, const char*>> variables;
        std::string path;
    };
    const Row rows[] = {
        {{{"PATH", "C:\\Windows\\system32;C:\\Windows"}},
         "C:/tools/suite/orvanta/bin64;C:/tools/suite/orvanta/../vurn/bin;C:\\Windows\\system32;C:\\Windows"},
        {{}, kSuiteEntries},
        {{{"PATH", ""}}, kSuiteEntries},
        {{{"Path", "C:\\W"}}, std::string(kSuiteEntries) + ";C:\\W"},
        {{{"ORVANTA_BINDIR_OVERRIDE", "E:\\Bin"}, {"PATH", "C:\\W"}},
         "E:/bin;C:/tools/suite/orvanta/../vurn/bin;C:\\W"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        unit::useWindowsInstall();
        for (const auto& variable : row.variables) fake::setEnv(variable.first, variable.second);
        CommandLine command;
        prepareChildEnvironment(command, makeipx_profile);
        EXPECT_EQ(fake::env("PATH"), row.path);
        EXPECT_FALSE(fake::hasEnv("LD_LIBRARY_PATH"));
        EXPECT_EQ(command.getNumOfArgs(), 0);
    }
}

TEST(CommonWrapTest, PreparingTwiceAddsTheEntriesAgain) {
    unit::useWindowsInstall();
    fake::setEnv("PATH", "C:\\W");
    CommandLine command;
    prepareChildEnvironment(command, makeipx_profile);
    prepareChildEnvironment(command, makeipx_profile);
    EXPECT_EQ(fake::env("PATH"), std::string(kSuiteEntries) + ";" + kSuiteEntries + ";C:\\W");
}

// None of the nine profiles uses the other three lists; a profile that did
// gets them applied after PATH, each entry expanded.
TEST(CommonWrapTest, EveryListIsApplied) {
    const char* const none[] = {nullptr};
    const char* const library_dirs[] = {"ORVANTA_ROOTDIR/lib", "NATIVE_WRAP_CURRENT_DIR", nullptr};
    const char* const path_dirs[] = {"ORVANTA_BINDIR", nullptr};
    const char* const extra_args[] = {"--wrapper-verbose", "KAVU_KIT_TEVOX\\x", nullptr};
    const char* const assignments[] = {"FLAG", "HOME_DIR=ORVANTA_ROOTDIR", "PATH=Z", nullptr};
    const ToolProfile profile = {"Main", none, path_dirs, library_dirs, none, none, extra_args, assignments};

    unit::useWindowsInstall();
    fake::setEnv("PATH", "C:\\W");
    CommandLine command;
    prepareChildEnvironment(command, profile);
    EXPECT_EQ(fake::env("LD_LIBRARY_PATH"), "D:/work/proj;C:/tools/suite/orvanta/lib");
    EXPECT_EQ(fake::env("PATH"), "Z;C:/tools/suite/orvanta/bin64;C:\\W");
    EXPECT_EQ(fake::env("FLAG"), "1");
    EXPECT_EQ(fake::env("HOME_DIR"), "C:/tools/suite/orvanta");
    EXPECT_TRUE(command.isVerbose());
    ASSERT_EQ(command.getNumOfArgs(), 1);
    EXPECT_EQ(command.getArg(0), "C:/tools/suite/tevoxeds\\x");
}

TEST(CommonWrapTest, PosixPath) {
    unit::usePosixInstall();
    fake::setEnv("PATH", "/usr/bin:/bin");
    CommandLine command;
    prepareChildEnvironment(command, makeipx_profile);
    EXPECT_EQ(fake::env("PATH"), "/opt/Suite/orvanta/bin64:/opt/Suite/orvanta/../vurn/bin:/usr/bin:/bin");
}

}  // namespace

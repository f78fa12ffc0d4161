// Discovery of the installation root and of the launcher's own directory,
// and the names derived from them.
#include <string>
#include <utility>
#include <vector>

#include "envUtils.hpp"
#include "unitSupport.hpp"

namespace {

using unit::exactly;
using unit::exitedWithMinusOne;

using Variables = std::vector<std::pair<const char*, const char*>>;

// A Windows launcher at exe (none: the platform cannot tell) with these variables set.
void useWindowsLauncher(const char* exe, const Variables& variables) {
    fake::reset(fake::Os::windows);
    if (exe != nullptr) fake::setExecutablePath(exe);
    fake::setCurrentDirectory("D:\\Work\\Proj");
    for (const auto& variable : variables) fake::setEnv(variable.first, variable.second);
}

TEST(InstallRootTest, RootAndDerivedNames) {
    struct Row {
        const char* exe;
        Variables variables;
        std::string root;
        std::string rootdir;
        std::string bindir;
    };
    const std::string deep = "C:\\" + std::string(300, 'd') + "\\Suite\\vurn\\bin\\tool.exe";
    const std::string deep_root = "C:/" + std::string(300, 'd') + "/suite";
    const Row rows[] = {
        {"C:\\Tools\\Suite\\vurn\\bin\\tool.exe", {}, "C:/tools/suite", "C:/tools/suite/orvanta",
         "C:/tools/suite/orvanta\\bin64"},
        {"C:\\Tools\\Suite\\VURN\\BIN\\win\\tool.exe", {}, "C:/tools/suite", "C:/tools/suite/orvanta",
         "C:/tools/suite/orvanta\\bin64"},
        {"D:\\A\\vurn\\bin\\B\\vurn\\bin\\tool.exe", {}, "D:/a/vurn/bin/b", "D:/a/vurn/bin/b/orvanta",
         "D:/a/vurn/bin/b/orvanta\\bin64"},
        {nullptr, {{"TOVA_DEV_KIT", "1"}, {"TOVA_DEST_ROOT", "E:\\Kit\\Dest\\"}}, "E:/kit/dest/",
         "E:/kit/dest//orvanta", "E:/kit/dest//orvanta\\bin64"},
        {nullptr, {{"TOVA_OVERLAY", "1"}, {"TOVA_DEST_ROOT", "E:\\Kit"}}, "E:/kit", "E:/kit/orvanta",
         "E:/kit/orvanta\\bin64"},
        {"C:\\Tools\\Suite\\vurn\\bin\\tool.exe", {{"TOVA_OVERLAY", "yes"}, {"TOVA_DEST_ROOT", "E:\\Kit"}},
         "C:/tools/suite", "C:/tools/suite/orvanta", "C:/tools/suite/orvanta\\bin64"},
        {"C:\\Tools\\Suite\\vurn\\bin\\tool.exe", {{"TOVA_DEV_KIT", "1"}, {"TOVA_DEST_ROOT", ""}},
         "C:/tools/suite", "C:/tools/suite/orvanta", "C:/tools/suite/orvanta\\bin64"},
        {"C:\\Tools\\Suite\\vurn\\bin\\tool.exe", {{"ORVANTA_ROOTDIR", "Z:\\Own"}, {"ORVANTA_BINDIR", "Z:\\Own"}},
         "C:/tools/suite", "C:/tools/suite/orvanta", "C:/tools/suite/orvanta\\bin64"},
        {deep.c_str(), {}, deep_root, deep_root + "/orvanta", deep_root + "/orvanta\\bin64"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.root);
        useWindowsLauncher(row.exe, row.variables);
        EXPECT_EQ(discoverInstallRoot(), row.root);
        EXPECT_EQ(getEnvVar("ORVANTA_ROOTDIR", true), row.rootdir);
        EXPECT_EQ(getEnvVar("ORVANTA_BINDIR", true), row.bindir);
    }
}

// Each derived name takes its own override first; an override of one name
// leaves the others to discovery.
TEST(InstallRootTest, EachDerivedNameHasItsOwnOverride) {
    struct Row {
        Variables variables;
        const char* rootdir;
        const char* bindir;
        const char* tevox;
    };
    const Row rows[] = {
        {{{"ORVANTA_ROOTDIR_OVERRIDE", "E:\\R"}}, "E:\\R", "E:\\R\\bin64", "C:/tools/suite/tevoxeds"},
        {{{"ORVANTA_BINDIR_OVERRIDE", "E:\\Bin"}}, "C:/tools/suite/orvanta", "E:\\Bin", "C:/tools/suite/tevoxeds"},
        {{{"KAVU_KIT_TEVOX_OVERRIDE", "F:\\T"}}, "C:/tools/suite/orvanta", "C:/tools/suite/orvanta\\bin64", "F:\\T"},
        {{{"TOVA_DEV_KIT", "1"}, {"TOVA_DEST_ROOT", "E:\\Kit"}}, "E:/kit/orvanta", "E:/kit/orvanta\\bin64",
         "E:/kit/tevoxeds"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.variables.front().first);
        useWindowsLauncher("C:\\Tools\\Suite\\vurn\\bin\\tool.exe", row.variables);
        EXPECT_EQ(getEnvVar("ORVANTA_ROOTDIR", true), row.rootdir);
        EXPECT_EQ(getEnvVar("ORVANTA_BINDIR", true), row.bindir);
        EXPECT_EQ(getEnvVar("KAVU_KIT_TEVOX", true), row.tevox);
    }
}

TEST(InstallRootTest, AnOverrideSkipsTheSearchForTheRoot) {
    useWindowsLauncher(nullptr, {{"ORVANTA_ROOTDIR_OVERRIDE", "E:\\R"}, {"TOVA_OVERLAY", "1"}});
    EXPECT_EQ(getEnvVar("ORVANTA_ROOTDIR", true), "E:\\R");
    EXPECT_EQ(getEnvVar("ORVANTA_BINDIR", true), "E:\\R\\bin64");
    EXPECT_EQ(fake::counters().executable_path, 0);
}

TEST(InstallRootTest, TheRootIsSoughtAgainOnEveryQuery) {
    useWindowsLauncher("C:\\Tools\\Suite\\vurn\\bin\\tool.exe", {});
    EXPECT_EQ(getEnvVar("ORVANTA_ROOTDIR", true), "C:/tools/suite/orvanta");
    fake::setEnv("TOVA_DEV_KIT", "1");
    fake::setEnv("TOVA_DEST_ROOT", "E:\\New");
    EXPECT_EQ(getEnvVar("ORVANTA_ROOTDIR", true), "E:/new/orvanta");
}

TEST(InstallRootTest, TheLauncherDirectoryCostsOnePlatformCall) {
    useWindowsLauncher("C:\\Tools\\Suite\\vurn\\bin\\tool.exe", {});
    EXPECT_EQ(getEnvVar("NATIVE_WRAP_EXE_DIR", true), "C:\\Tools\\Suite\\vurn\\bin");
    fake::setExecutablePath("C:\\Elsewhere\\vurn\\bin\\tool.exe");
    EXPECT_EQ(getEnvVar("NATIVE_WRAP_EXE_DIR", true), "C:\\Tools\\Suite\\vurn\\bin");
    EXPECT_EQ(discoverInstallRoot(), "C:/tools/suite");
    EXPECT_EQ(fake::counters().executable_path, 1);
}

TEST(InstallRootTest, TheCurrentDirectoryIsAskedEveryTime) {
    useWindowsLauncher("C:\\Tools\\Suite\\vurn\\bin\\tool.exe", {});
    EXPECT_EQ(getEnvVar("NATIVE_WRAP_CURRENT_DIR", true), "D:\\Work\\Proj");
    fake::setCurrentDirectory("C:\\");
    EXPECT_EQ(getEnvVar("NATIVE_WRAP_CURRENT_DIR", true), "C:\\");
    EXPECT_EQ(fake::counters().current_directory, 2);
}

TEST(InstallRootDeathTest, FailuresEndTheProcess) {
    struct Row {
        const char* exe;
        Variables variables;
        const char* query;
        const char* message;
    };
    const Row rows[] = {
        {nullptr, {{"TOVA_OVERLAY", "1"}}, "ORVANTA_ROOTDIR", "ERROR: TOVA_DEST_ROOT - Undefined variable\n"},
        {"C:\\Apps\\tool.exe", {}, "ORVANTA_ROOTDIR", "ERROR: C:/apps - Could Not Discover TOVA Root Directory\n"},
        {"C:\\Apps\\tool.exe", {}, "KAVU_KIT_TEVOX", "ERROR: C:/apps - Could Not Discover TOVA Root Directory\n"},
        {"\\VURN\\bin\\tool.exe", {}, "ORVANTA_BINDIR", "ERROR: /vurn/bin - Could Not Discover TOVA Root Directory\n"},
        {nullptr, {}, "ORVANTA_ROOTDIR", "ERROR: GetModuleFileName() failed!\n"},
        {"", {}, "NATIVE_WRAP_EXE_DIR", "ERROR: GetModuleFileName() failed!\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        useWindowsLauncher(row.exe, row.variables);
        EXPECT_EXIT(getEnvVar(row.query, false), exitedWithMinusOne(), exactly(row.message));
    }
}

TEST(InstallRootDeathTest, CurrentDirectoryFailureEndsTheProcess) {
    useWindowsLauncher("C:\\Tools\\Suite\\vurn\\bin\\tool.exe", {});
    fake::failCurrentDirectory();
    EXPECT_EXIT(expandVariables("NATIVE_WRAP_CURRENT_DIR"), exitedWithMinusOne(),
                exactly("ERROR: GetCurrentDirectory() failed!\n"));
}

TEST(InstallRootPosixTest, RootKeepsItsCase) {
    unit::usePosixInstall();
    EXPECT_EQ(discoverInstallRoot(), "/opt/Suite");
    fake::setEnv("TOVA_DEV_KIT", "1");
    fake::setEnv("TOVA_DEST_ROOT", "/srv/Dest/");
    EXPECT_EQ(getEnvVar("ORVANTA_ROOTDIR", true), "/srv/Dest//orvanta");
    EXPECT_EQ(getEnvVar("ORVANTA_BINDIR", true), "/srv/Dest//orvanta/bin64");
}

// Case matters on POSIX: the marker is the lower-case directory only.
TEST(InstallRootPosixDeathTest, MarkerInOtherCaseIsNotFound) {
    unit::usePosixInstall();
    fake::setExecutablePath("/opt/Suite/VURN/bin/tool");
    EXPECT_EXIT(getEnvVar("ORVANTA_ROOTDIR", false), exitedWithMinusOne(),
                exactly("ERROR: /opt/Suite/VURN/bin - Could Not Discover TOVA Root Directory\n"));
}

}  // namespace

// The environment layer: reads with the well-known names, writes with the
// search-list rule, assignments, path normalisation and template expansion.
#include <string>

#include "envUtils.hpp"
#include "unitSupport.hpp"

namespace {

using unit::exactly;
using unit::exitedWithMinusOne;

class EnvUtilsTest : public testing::Test {
protected:
    void SetUp() override { unit::useWindowsInstall(); }
};

int entryIndex(const std::string& name) {
    for (int i = 0; i < variable_table.num_of_vars; ++i) {
        if (name == variable_table.var[i].name) return i;
    }
    return -1;
}

TEST(VariableTableTest, HoldsTheSixNamesInOrder) {
    const char* const names[] = {"ORVANTA_ROOTDIR",        "ORVANTA_BINDIR",
                                 "KAVU_KIT_TEVOX",         "NATIVE_WRAP_EXE_DIR",
                                 "NATIVE_WRAP_CURRENT_DIR", "NATIVE_WRAP_ORVANTA_ROOTDIR_JRE_OFFSET"};
    ASSERT_EQ(variable_table.num_of_vars, 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_STREQ(variable_table.var[i].name, names[i]);
        EXPECT_EQ(variable_table.var[i].name_len, static_cast<int32_t>(std::string(names[i]).size()));
    }
}

// What each well-known name reads as, and what the table keeps.
TEST_F(EnvUtilsTest, WellKnownNamesResolveFromTheInstallation) {
    struct Row {
        const char* name;
        const char* read;
        const char* stored;
    };
    const Row rows[] = {
        {"ORVANTA_ROOTDIR", "C:/tools/suite/orvanta", "C:/tools/suite/orvanta"},
        {"ORVANTA_BINDIR", "C:/tools/suite/orvanta\\bin64", "C:/tools/suite/orvanta/bin64"},
        {"KAVU_KIT_TEVOX", "C:/tools/suite/tevoxeds", "C:/tools/suite/tevoxeds"},
        {"NATIVE_WRAP_EXE_DIR", "C:\\Tools\\Suite\\vurn\\bin", "C:/tools/suite/vurn/bin"},
        {"NATIVE_WRAP_CURRENT_DIR", "D:\\Work\\Proj", "D:/work/proj"},
        {"NATIVE_WRAP_ORVANTA_ROOTDIR_JRE_OFFSET", "\\bin64\\jre64\\bin\\java.exe", "/bin64/jre64/bin/java.exe"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(getEnvVar(row.name, false), row.read);
        EXPECT_EQ(expandVariables(row.name), row.stored);
        const VariableEntry& entry = variable_table.var[entryIndex(row.name)];
        ASSERT_TRUE(entry.resolved);
        EXPECT_EQ(*entry.value, row.stored);
        EXPECT_EQ(entry.value_len, static_cast<int32_t>(entry.value->size()));
    }
}

TEST_F(EnvUtilsTest, TemplatesOfTheProfilesExpand) {
    const std::pair<const char*, const char*> rows[] = {
        {"ORVANTA_ROOTDIR/../vurn/lib", "C:/tools/suite/orvanta/../vurn/lib"},
        {"ORVANTA_ROOTDIR/../vurn/bin", "C:/tools/suite/orvanta/../vurn/bin"},
        {"ORVANTA_BINDIR", "C:/tools/suite/orvanta/bin64"},
        {"ORVANTA_BINDIR\\jre64", "C:/tools/suite/orvanta/bin64\\jre64"},
        {"-Xmx1500M", "-Xmx1500M"},
        {"-splash:\"ORVANTA_ROOTDIR/../vurn/lib/Splash.png\"",
         "-splash:\"C:/tools/suite/orvanta/../vurn/lib/Splash.png\""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(expandVariables(row.first), row.second) << row.first;
    }
}

TEST_F(EnvUtilsTest, RootOverrideIsReadUnchangedAndStoredNormalised) {
    fake::setEnv("ORVANTA_ROOTDIR_OVERRIDE", "E:\\Kits\\Orvanta");
    EXPECT_EQ(getEnvVar("ORVANTA_ROOTDIR", false), "E:\\Kits\\Orvanta");
    EXPECT_EQ(getEnvVar("ORVANTA_BINDIR", false), "E:\\Kits\\Orvanta\\bin64");
    EXPECT_EQ(expandVariables("ORVANTA_ROOTDIR"), "E:/kits/orvanta");
    EXPECT_EQ(expandVariables("ORVANTA_BINDIR"), "E:/kits/orvanta/bin64");
}

TEST_F(EnvUtilsTest, WellKnownNamesAreNeverReadFromTheEnvironment) {
    const char* const names[] = {"ORVANTA_ROOTDIR",        "ORVANTA_BINDIR",
                                 "KAVU_KIT_TEVOX",         "NATIVE_WRAP_EXE_DIR",
                                 "NATIVE_WRAP_CURRENT_DIR", "NATIVE_WRAP_ORVANTA_ROOTDIR_JRE_OFFSET"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        unit::useWindowsInstall();
        const std::string computed = getEnvVar(name, false);
        fake::setEnv(name, "Z:\\users\\own");
        EXPECT_EQ(getEnvVar(name, true), computed);
    }
}

TEST_F(EnvUtilsTest, EmptyOverridesCountAsAbsent) {
    const std::pair<const char*, const char*> rows[] = {
        {"ORVANTA_ROOTDIR", "C:/tools/suite/orvanta"},
        {"ORVANTA_BINDIR", "C:/tools/suite/orvanta\\bin64"},
        {"KAVU_KIT_TEVOX", "C:/tools/suite/tevoxeds"},
    };
    for (const auto& row : rows) {
        fake::setEnv(std::string(row.first) + "_OVERRIDE", "");
        EXPECT_EQ(getEnvVar(row.first, false), row.second);
    }
}

// Only the upper-case names are special; the lower-case one is an ordinary
// variable, found through the case-insensitive lookup of Windows.
TEST_F(EnvUtilsTest, SpecialNamesAreComparedWithCase) {
    fake::setEnv("ORVANTA_ROOTDIR", "Z:\\Mine");
    EXPECT_EQ(getEnvVar("orvanta_rootdir", true), "Z:\\Mine");
    EXPECT_EQ(getEnvVar("ORVANTA_ROOTDIR", true), "C:/tools/suite/orvanta");
}

TEST_F(EnvUtilsTest, OrdinaryVariables) {
    fake::setEnv("SET_EMPTY", "");
    fake::setEnv("SET", "value");
    EXPECT_EQ(getEnvVar("SET", true), "value");
    EXPECT_EQ(getEnvVar("SET_EMPTY", true), "");
    EXPECT_EQ(getEnvVar("UNSET", false), "");
    EXPECT_EQ(fake::counters().put_env, 0);
}

using EnvUtilsDeathTest = EnvUtilsTest;

TEST_F(EnvUtilsDeathTest, RequiredUndefinedVariableIsFatal) {
    EXPECT_EXIT(getEnvVar("NO_SUCH_VARIABLE", true), exitedWithMinusOne(),
                exactly("ERROR: NO_SUCH_VARIABLE - Undefined variable\n"));
}

TEST_F(EnvUtilsTest, SetEnvVarPrependsToSearchLists) {
    const std::string long_path_name = std::string(252, 'X') + "PATH";  // 256 characters
    struct Row {
        const char* trace;
        std::string name;
        bool has_old;
        const char* old_value;
        const char* value;
        const char* expected;  // null: the variable is gone
    };
    const Row rows[] = {
        {"PATH holds a list", "PATH", true, "A;B", "X", "X;A;B"},
        {"PATH undefined", "PATH", false, "", "X", "X"},
        {"PATH empty", "PATH", true, "", "X", "X"},
        {"another list", "LD_LIBRARY_PATH", true, "A", "X", "X;A"},
        {"any name ending in PATH", "MYPATH", true, "A", "X", "X;A"},
        {"256 characters", long_path_name, true, "A", "X", "X;A"},
        {"257 characters", "Y" + long_path_name, true, "A", "X", "X"},
        {"not a list", "JAVA_HOME", true, "A", "X", "X"},
        {"Path is not PATH", "MyPath", true, "A", "X", "X"},
        {"empty value removes", "JAVA_HOME", true, "A", "", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        unit::useWindowsInstall();
        if (row.has_old) fake::setEnv(row.name, row.old_value);
        setEnvVar(row.name, row.value);
        EXPECT_EQ(fake::hasEnv(row.name), row.expected != nullptr);
        EXPECT_EQ(fake::env(row.name), row.expected != nullptr ? row.expected : "");
    }
}

TEST_F(EnvUtilsTest, SearchListsKeepRepeatedEntries) {
    fake::setEnv("PATH", "A;B");
    setEnvVar("PATH", "X");
    setEnvVar("PATH", "X");
    EXPECT_EQ(fake::env("PATH"), "X;X;A;B");
}

TEST_F(EnvUtilsTest, SetEnvAssignmentForms) {
    struct Row {
        const char* assignment;
        const char* name;
        const char* expected;  // null: the variable is gone
    };
    const Row rows[] = {
        {"FLAG", "FLAG", "1"},
        {"A=b=c", "A", "b=c"},
        {"A=", "A", nullptr},
        {"MYPATH=X", "MYPATH", "X;old"},
        {"KEY=two words", "KEY", "two words"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.assignment);
        unit::useWindowsInstall();
        fake::setEnv(row.name, "old");
        setEnvAssignment(row.assignment);
        EXPECT_EQ(fake::hasEnv(row.name), row.expected != nullptr);
        EXPECT_EQ(fake::env(row.name), row.expected != nullptr ? row.expected : "");
    }
}

TEST_F(EnvUtilsTest, UnsetEnvVar) {
    fake::setEnv("GONE", "x");
    unsetEnvVar("GONE");
    EXPECT_FALSE(fake::hasEnv("GONE"));
    const int puts = fake::counters().put_env;
    unsetEnvVar("");
    EXPECT_EQ(fake::counters().put_env, puts);
}

TEST_F(EnvUtilsTest, NormalizePath) {
    struct Row {
        const char* path;
        int32_t status;
        const char* result;
    };
    const Row rows[] = {
        {"", -1, ""},
        {"c:\\X", 0, "C:/x"},
        {"C:\\Tools\\Suite\\VURN\\bin", 0, "C:/tools/suite/vurn/bin"},
        {"\\\\Server\\Share", 0, "//server/share"},
        {"a:", 0, "A:"},
        {"Ab", 0, "ab"},
        {"1:\\A", 0, "1:/a"},
        {"C:\\X\\..\\Y\\\\", 0, "C:/x/../y//"},
        {"C:\\\xC4\xD6", 0, "C:/\xC4\xD6"},
    };
    for (const Row& row : rows) {
        std::string path = row.path;
        EXPECT_EQ(normalizePath(path), row.status) << row.path;
        EXPECT_EQ(path, row.result);
    }
}

TEST_F(EnvUtilsTest, OnlyTheFirstOccurrenceOfANameIsReplaced) {
    EXPECT_EQ(expandVariables("ORVANTA_ROOTDIR;ORVANTA_ROOTDIR"), "C:/tools/suite/orvanta;ORVANTA_ROOTDIR");
    EXPECT_EQ(expandVariables("KAVU_KIT_TEVOX\\x;ORVANTA_BINDIR;KAVU_KIT_TEVOX"),
              "C:/tools/suite/tevoxeds\\x;C:/tools/suite/orvanta/bin64;KAVU_KIT_TEVOX");
}

TEST_F(EnvUtilsTest, TextWithoutNamesIsCopiedAndResolvesNothing) {
    EXPECT_EQ(expandVariables("C:\\Some\\Path orvanta_rootdir"), "C:\\Some\\Path orvanta_rootdir");
    for (int i = 0; i < variable_table.num_of_vars; ++i) EXPECT_FALSE(variable_table.var[i].resolved);
    EXPECT_EQ(fake::counters().executable_path, 0);
    EXPECT_EQ(fake::counters().get_env, 0);
}

TEST_F(EnvUtilsTest, NamesResolveOncePerProcess) {
    EXPECT_EQ(expandVariables("ORVANTA_ROOTDIR"), "C:/tools/suite/orvanta");
    EXPECT_EQ(expandVariables("NATIVE_WRAP_CURRENT_DIR"), "D:/work/proj");
    const fake::Counters before = fake::counters();

    fake::setEnv("ORVANTA_ROOTDIR_OVERRIDE", "E:\\Elsewhere");
    fake::setCurrentDirectory("E:\\Other");
    EXPECT_EQ(expandVariables("ORVANTA_ROOTDIR/x"), "C:/tools/suite/orvanta/x");
    EXPECT_EQ(expandVariables("NATIVE_WRAP_CURRENT_DIR"), "D:/work/proj");
    EXPECT_EQ(fake::counters().get_env, before.get_env);
    EXPECT_EQ(fake::counters().current_directory, before.current_directory);
}

// ORVANTA_ROOTDIR lies inside NATIVE_WRAP_ORVANTA_ROOTDIR_JRE_OFFSET: an
// occurrence of the longer name stands for the longer name.
TEST_F(EnvUtilsTest, JreOffsetNameIsNotTakenForTheRootDirectory) {
    const std::pair<const char*, const char*> rows[] = {
        {"NATIVE_WRAP_ORVANTA_ROOTDIR_JRE_OFFSET", "/bin64/jre64/bin/java.exe"},
        {"ORVANTA_ROOTDIRNATIVE_WRAP_ORVANTA_ROOTDIR_JRE_OFFSET", "C:/tools/suite/orvanta/bin64/jre64/bin/java.exe"},
        {"NATIVE_WRAP_ORVANTA_ROOTDIR_JRE_OFFSET ORVANTA_ROOTDIR",
         "/bin64/jre64/bin/java.exe C:/tools/suite/orvanta"},
        {"NATIVE_WRAP_ORVANTA_ROOTDIR_JRE", "NATIVE_WRAP_C:/tools/suite/orvanta_JRE"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        unit::useWindowsInstall();
        EXPECT_EQ(expandVariables(row.first), row.second);
    }
}

TEST_F(EnvUtilsTest, JreOffsetAloneNeedsNoInstallationRoot) {
    fake::failExecutablePath();
    EXPECT_EQ(expandVariables("NATIVE_WRAP_ORVANTA_ROOTDIR_JRE_OFFSET"), "/bin64/jre64/bin/java.exe");
    EXPECT_FALSE(variable_table.var[0].resolved);
    EXPECT_EQ(fake::counters().executable_path, 0);
}

TEST_F(EnvUtilsDeathTest, AssertsThatAResolvedEntryHasAValue) {
    VariableEntry broken[] = {{"NAME", 4, true, nullptr, 0}};
    VariableTable table = {1, broken};
    EXPECT_DEATH(expandVariables("NAME", &table), "tbl->var\\[i\\]\\.value != NULL");
}

class EnvUtilsPosixTest : public testing::Test {
protected:
    void SetUp() override { unit::usePosixInstall(); }
};

TEST_F(EnvUtilsPosixTest, WellKnownNamesKeepTheirCase) {
    const std::pair<const char*, const char*> rows[] = {
        {"ORVANTA_ROOTDIR", "/opt/Suite/orvanta"},
        {"ORVANTA_BINDIR", "/opt/Suite/orvanta/bin64"},
        {"KAVU_KIT_TEVOX", "/opt/Suite/tevoxeds"},
        {"NATIVE_WRAP_EXE_DIR", "/opt/Suite/vurn/bin"},
        {"NATIVE_WRAP_CURRENT_DIR", "/home/user/Proj"},
        {"NATIVE_WRAP_ORVANTA_ROOTDIR_JRE_OFFSET", "/bin64/jre64/bin/java"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(getEnvVar(row.first, false), row.second) << row.first;
        EXPECT_EQ(expandVariables(row.first), row.second) << row.first;
    }
}

TEST_F(EnvUtilsPosixTest, EnvironmentNamesAreCaseSensitive) {
    fake::setEnv("Path", "/mine");
    EXPECT_EQ(getEnvVar("PATH", false), "");
    setEnvVar("PATH", "/usr/bin");
    setEnvVar("PATH", "/opt/bin");
    EXPECT_EQ(fake::env("PATH"), "/opt/bin:/usr/bin");
    EXPECT_EQ(fake::env("Path"), "/mine");
}

TEST_F(EnvUtilsPosixTest, NormalizePathKeepsThePath) {
    for (const char* text : {"/Opt/Suite", "c:\\X", "\\\\Server\\Share"}) {
        std::string path = text;
        EXPECT_EQ(normalizePath(path), 0);
        EXPECT_EQ(path, text);
    }
    std::string empty;
    EXPECT_EQ(normalizePath(empty), -1);
}

}  // namespace

// JavaCommandLine: its own options, the class path, the heap sizes and the
// Java command it builds.
#include <memory>
#include <string>
#include <vector>

#include "javaCommandLine.hpp"
#include "unitSupport.hpp"

namespace {

using Strings = std::vector<std::string>;

const char* const kMainClass = "com.dunmel.kavumodel.kbtools.kbmakeipx.KbMakeIpx";
const char* const kMakeipxOptions = "-Xmx1500M -XX:+UseParallelGC -Dawt.useSystemAAFontSettings=on";

// Creates the command line with args, its legal notice swallowed.
std::unique_ptr<JavaCommandLine> javaCommand(const Strings& args, const char* main_class = kMainClass) {
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    std::unique_ptr<JavaCommandLine> command;
    unit::captureOutput(
        [&] { command = std::make_unique<JavaCommandLine>(main_class, static_cast<int>(argv.size()), argv.data()); });
    return command;
}

Strings toolArguments(const JavaCommandLine& command) {
    Strings args;
    for (int32_t i = 0; i < command.getNumOfArgs(); ++i) args.push_back(command.getArg(i));
    return args;
}

class JavaCommandLineTest : public testing::Test {
protected:
    void SetUp() override { fake::reset(fake::Os::windows); }
};

TEST_F(JavaCommandLineTest, OnlyJarFilesOfADirectoryJoinTheClassPath) {
    fake::addDirectory("D:/lib", {"b.jar", "A.jar", "c.JAR", "notes.txt", "old.jar", "x.jarx", ".jar"});
    auto command = javaCommand({});
    command->addClassPathDir("D:/lib");
    EXPECT_EQ(command->buildClassPath(), "D:/lib\\.jar;D:/lib\\A.jar;D:/lib\\b.jar;D:/lib\\old.jar");
}

TEST_F(JavaCommandLineTest, MissingDirectoryAddsNothing) {
    auto command = javaCommand({});
    command->addClassPathDir("D:/none");
    EXPECT_EQ(command->getNumOfClasspathJars(), 0);
    EXPECT_EQ(command->buildCommand(), "\"java\" \"" + std::string(kMainClass) + "\" ");
}

TEST_F(JavaCommandLineTest, JarArrayDoublesAndTheClassPathIsSorted) {
    Strings names;
    for (int n = 40; n >= 0; --n) names.push_back("j" + std::to_string(100 + n) + ".jar");
    for (int count : {16, 17, 32, 33, 41}) {
        SCOPED_TRACE(count);
        fake::addDirectory("D:/lib", Strings(names.end() - count, names.end()));
        auto command = javaCommand({});
        command->addClassPathDir("D:/lib");
        EXPECT_EQ(command->getNumOfClasspathJars(), count);
        EXPECT_EQ(command->getSizeOfClasspathJarArray(), count <= 16 ? 16 : count <= 32 ? 32 : 64);
        std::string expected;
        for (int n = 0; n < count; ++n) expected += (n ? ";" : "") + ("D:/lib\\j" + std::to_string(100 + n) + ".jar");
        EXPECT_EQ(command->buildClassPath(), expected);
    }
}

// Plain unsigned byte order over the whole path; duplicates stay.
TEST_F(JavaCommandLineTest, ClassPathIsInUnsignedByteOrder) {
    auto command = javaCommand({"--wrapper-add-jar=\xE4.jar", "--wrapper-add-jar=z.jar", "--wrapper-add-jar=Z.jar",
                                "--wrapper-add-jar=z.jar", "--wrapper-add-jar=z.jar.jar"});
    EXPECT_EQ(command->buildClassPath(), "Z.jar;z.jar;z.jar;z.jar.jar;\xE4.jar");
}

TEST_F(JavaCommandLineTest, IsJarFileDecidesByTheExactName) {
    for (const char* name : {"a.jar", ".jar", "C:\\x y\\a.jar"}) EXPECT_TRUE(JavaCommandLine::isJarFile(name)) << name;
    for (const char* name : {"", "jar", "a.JAR", "a.jarx", "a.jar.zip", "a.ja"}) {
        EXPECT_FALSE(JavaCommandLine::isJarFile(name)) << name;
    }
}

TEST_F(JavaCommandLineTest, AddJarOptionForms) {
    const std::string long_path = "C:\\" + std::string(400, 'p') + "\\long.jar";
    struct Row {
        std::string arg;
        std::string class_path;
        Strings tool_args;
    };
    const Row rows[] = {
        {"--wrapper-add-jar=C:\\Abs Dir\\m.jar", "C:\\Abs Dir\\m.jar;D:/lib\\b.jar", {}},
        {"--wrapper-add-jarfoo=x.jar", "D:/lib\\b.jar;x.jar", {}},
        {"--wrapper-add-jar=a=b.jar", "D:/lib\\b.jar;a=b.jar", {}},
        {"--wrapper-add-jar=x.zip", "D:/lib\\b.jar", {}},
        {"--wrapper-add-jar", "D:/lib\\b.jar", {}},
        {"--wrapper-add-jar=" + long_path, long_path + ";D:/lib\\b.jar", {}},
        {"--Wrapper-Add-Jar=x.jar", "D:/lib\\b.jar", {"--Wrapper-Add-Jar=x.jar"}},
    };
    fake::addDirectory("D:/lib", {"b.jar"});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arg.substr(0, 40));
        auto command = javaCommand({row.arg});
        command->addClassPathDir("D:/lib");
        EXPECT_EQ(command->buildClassPath(), row.class_path);
        EXPECT_EQ(toolArguments(*command), row.tool_args);
    }
}

TEST_F(JavaCommandLineTest, OwnOptionsAreConsumed) {
    auto command = javaCommand({"a", "--wrapper-load-jvm-in-process", "--re-exec-jni-with-env", "--wrapper-verbose",
                                "--jvm-max-heap-size=1g", "--jvm-init-heap-size=1m", "b"});
    EXPECT_TRUE(command->loadsJvmInProcess());
    EXPECT_TRUE(command->reExecsJniWithEnv());
    EXPECT_TRUE(command->isVerbose());
    EXPECT_EQ(toolArguments(*command), (Strings{"a", "b"}));

    auto plain = javaCommand({"--WRAPPER-LOAD-JVM-IN-PROCESS", "--jvm-max-heap-size"});
    EXPECT_FALSE(plain->loadsJvmInProcess());
    EXPECT_EQ(toolArguments(*plain), (Strings{"--WRAPPER-LOAD-JVM-IN-PROCESS", "--jvm-max-heap-size"}));
}

TEST_F(JavaCommandLineTest, HeapSizesBecomeOptionsWhenTheCommandIsBuilt) {
    struct Row {
        const char* trace;
        const char* options;
        Strings args;
        const char* result;
    };
    const Row rows[] = {
        {"maximum replaces in place", kMakeipxOptions, {"--jvm-max-heap-size=4g"},
         "-Xmx4g -XX:+UseParallelGC -Dawt.useSystemAAFontSettings=on"},
        {"initial is appended", kMakeipxOptions, {"--jvm-init-heap-size=512m"},
         "-Xmx1500M -XX:+UseParallelGC -Dawt.useSystemAAFontSettings=on -Xms512m"},
        {"both", kMakeipxOptions, {"--jvm-init-heap-size=512m", "--jvm-max-heap-size=4g"},
         "-Xmx4g -XX:+UseParallelGC -Dawt.useSystemAAFontSettings=on -Xms512m"},
        {"empty value", kMakeipxOptions, {"--jvm-max-heap-size="}, kMakeipxOptions},
        {"last one wins", kMakeipxOptions, {"--jvm-max-heap-size=2g", "--jvm-max-heap-size=3g"},
         "-Xmx3g -XX:+UseParallelGC -Dawt.useSystemAAFontSettings=on"},
        {"no maximum in the profile", "-Dawt.useSystemAAFontSettings=on", {"--jvm-max-heap-size=2g"},
         "-Dawt.useSystemAAFontSettings=on -Xmx2g"},
        {"no options at all", "", {"--jvm-max-heap-size=2g"}, "-Xmx2g"},
        {"key in the middle", "-Da=1 -Xms64m -Db=2", {"--jvm-init-heap-size=1g"}, "-Da=1 -Xms1g -Db=2"},
        {"key at the end", "-Da=1 -Xms64m", {"--jvm-init-heap-size=1g"}, "-Da=1 -Xms1g"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        auto command = javaCommand(row.args);
        if (*row.options) command->addJvmOption(row.options);
        const std::string first = command->buildCommand();
        EXPECT_EQ(command->getJvmOptions(), row.result);
        EXPECT_EQ(command->buildCommand(), first) << "a second build gives the same command";
        EXPECT_EQ(command->getNumOfArgs(), 0);
    }
}

TEST_F(JavaCommandLineTest, CommandOrder) {
    fake::addDirectory("D:/lib", {"b.jar", "a.jar"});
    auto command = javaCommand({"x", "two words", "C:\\dir\\"});
    command->setJavaExePath("C:/jre\\bin\\java.exe");
    command->addClassPathDir("D:/lib");
    command->addJvmOption("-Xmx1g");
    command->addJvmOption("-Dq=\"a b\"");
    EXPECT_EQ(command->buildCommand(),
              "\"C:/jre\\bin\\java.exe\" -Xmx1g -Dq=\"a b\" -cp \"D:/lib\\a.jar;D:/lib\\b.jar\" \"" +
                  std::string(kMainClass) + "\" \"x\" \"two words\" \"C:\\dir\\\\\" ");
}

TEST_F(JavaCommandLineTest, PosixClassPath) {
    fake::reset(fake::Os::posix);
    fake::addDirectory("/opt/lib", {"b.jar", "a.jar"});
    auto command = javaCommand({});
    command->addClassPathDir("/opt/lib");
    EXPECT_EQ(command->buildClassPath(), "/opt/lib/a.jar:/opt/lib/b.jar");
}

TEST_F(JavaCommandLineTest, LegalNoticeUnlessTheMainClassIsSilent) {
    const std::pair<const char*, bool> rows[] = {
        {kMainClass, true},
        {"com.dunmel.embeddedsw.commandline.app_lib.AppUpdateMakefileCommand", false},
        {"x.com.dunmel.embeddedsw.commandlineX", false},
        {"com.dunmel.embeddedsw.Other", true},
        {"com.dunmel.BspEditorApp", false},
        {"com.dunmel.KbCatalogTool", false},
        {"com.dunmel.kbcatalog", true},
    };
    for (const auto& row : rows) {
        const unit::Output output = unit::captureOutput([&] { JavaCommandLine command(row.first, 0, nullptr); });
        EXPECT_EQ(output.out, row.second ? legal_notice : "") << row.first;
    }
}

// A line of 63 asterisks, seven lines of text, 63 asterisks, an empty line.
TEST_F(JavaCommandLineTest, LegalNoticeShape) {
    Strings lines;
    for (std::size_t start = 0; start < legal_notice.size();) {
        const std::size_t end = legal_notice.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "ends with a line feed";
        lines.push_back(legal_notice.substr(start, end - start));
        start = end + 1;
    }
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], std::string(63, '*'));
    for (int i = 1; i <= 7; ++i) EXPECT_FALSE(lines[i].empty());
    EXPECT_EQ(lines[8], std::string(63, '*'));
    EXPECT_EQ(lines[9], "");
}

}  // namespace

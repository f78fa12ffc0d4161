// CommandLine: the quoted command string, the splitting that reads it back,
// the wrapper options, the argument array and the child process.
#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "commandLine.hpp"
#include "unitSupport.hpp"

namespace {

using Strings = std::vector<std::string>;

std::string commandOf(const char* program, const Strings& args) {
    CommandLine command;
    command.setProgram(program);
    for (const std::string& arg : args) command.processArg(arg.c_str());
    return command.buildCommand();
}

// Random elements made of what breaks naive quoting.
class ElementGenerator {
public:
    explicit ElementGenerator(unsigned seed) : rng_(seed) {}

    std::string argument() {
        const bool long_text = pick(0, 49) == 0;
        const int pieces = long_text ? pick(200, 2000) : pick(0, 10);
        std::string text;
        for (int i = 0; i < pieces; ++i) appendPiece(text);
        return text;
    }

    // A program path never holds a double quote and never ends in a backslash.
    std::string program() {
        std::string text = argument();
        std::replace(text.begin(), text.end(), '"', 'q');
        if (!text.empty() && text.back() == '\\') text += 'x';
        return text;
    }

    int count(int max) { return pick(0, max); }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

    void appendPiece(std::string& text) {
        switch (pick(0, 6)) {
        case 0: text += ' '; break;
        case 1: text += '\t'; break;
        case 2: text += '"'; break;
        case 3: text.append(pick(1, 5), '\\'); break;
        case 4: text += static_cast<char>(pick(0x80, 0xFF)); break;
        default: text += static_cast<char>(pick('!', '~')); break;
        }
    }

    std::mt19937 rng_;
};

TEST(CommandLineTest, SplittingTheBuiltCommandGivesBackEveryElement) {
    ElementGenerator generate(20240611);
    for (int n = 0; n < 20000; ++n) {
        Strings expected = {generate.program()};
        for (int i = generate.count(8); i > 0; --i) expected.push_back(generate.argument());
        const Strings args(expected.begin() + 1, expected.end());
        ASSERT_EQ(splitCommandLine(commandOf(expected[0].c_str(), args)), expected) << "vector " << n;
    }
}

// The C runtime's rules, checked on hand-written command strings.
TEST(CommandLineTest, SplitCommandLineFollowsTheRuntimeRules) {
    struct Row {
        const char* command;
        Strings elements;
    };
    const Row rows[] = {
        {R"~("C:\Program Files\x.exe" a b)~", {R"~(C:\Program Files\x.exe)~", "a", "b"}},
        {R"~(C:\a\b.exe x)~", {R"~(C:\a\b.exe)~", "x"}},
        {R"~("C:\dir\"x y)~", {R"~(C:\dir\x)~", "y"}},
        {R"~(pro"g ram"s x)~", {"prog rams", "x"}},
        {R"~(p a\\\\"b c")~", {"p", R"~(a\\b c)~"}},
        {R"~(p a\\\"b)~", {"p", R"~(a\"b)~"}},
        {R"~(p a\b\\c \\)~", {"p", R"~(a\b\\c)~", R"~(\\)~"}},
        {R"~(p "a""b")~", {"p", R"~(a"b)~"}},
        {R"~(p """")~", {"p", "\""}},
        {R"~(p "a"" b")~", {"p", "a\" b"}},
        {R"~(p "" "")~", {"p", "", ""}},
        {R"~(p a"b c"d)~", {"p", "ab cd"}},
        {R"~(p "a\")~", {"p", "a\""}},
        {R"~(p "a b)~", {"p", "a b"}},
        {"p \t a \t b  ", {"p", "a", "b"}},
        {"", {""}},
    };
    for (const Row& row : rows) EXPECT_EQ(splitCommandLine(row.command), row.elements) << row.command;
}

TEST(CommandLineTest, SplitArgumentsReadsEveryElementWithTheRules) {
    EXPECT_EQ(splitArguments(R"~(  "a b"  c\"d  )~"), (Strings{"a b", "c\"d"}));
    EXPECT_EQ(splitArguments(" \t "), Strings{});
}

TEST(CommandLineTest, BuildCommand) {
    struct Row {
        const char* program;
        Strings args;
        const char* command;
    };
    const Row rows[] = {
        {"tool.exe", {}, R"~("tool.exe" )~"},
        {"", {}, R"~("" )~"},
        {"tool.exe", {""}, R"~("tool.exe" "" )~"},
        {"tool.exe", {"-v", "two words"}, R"~("tool.exe" "-v" "two words" )~"},
        {R"~(C:\Program Files\tool.exe)~", {R"~(a\b)~"}, R"~("C:\Program Files\tool.exe" "a\b" )~"},
        {"tool.exe", {R"~(C:\My Dir\)~", "next"}, R"~("tool.exe" "C:\My Dir\\" "next" )~"},
        {"tool.exe", {R"~(say "hi")~"}, R"~("tool.exe" "say \"hi\"" )~"},
        {"tool.exe", {R"~(a\"b)~"}, R"~("tool.exe" "a\\\"b" )~"},
        {"tool.exe", {"\""}, R"~("tool.exe" "\"" )~"},
    };
    for (const Row& row : rows) EXPECT_EQ(commandOf(row.program, row.args), row.command);
    EXPECT_EQ(std::string(rows[3].command).size(), 28u);
}

TEST(CommandLineTest, WrapperOptionsAreConsumedAnywhere) {
    struct Row {
        Strings given;
        Strings kept;
        bool verbose;
        bool exec_enabled;
    };
    const Row rows[] = {
        {{"--wrapper-verbose", "a"}, {"a"}, true, true},
        {{"a", "--wrapper-disable-exec", "b"}, {"a", "b"}, false, false},
        {{"a", "--wrapper-verbose", "--wrapper-verbose"}, {"a"}, true, true},
        {{"--WRAPPER-VERBOSE", "--Wrapper-Disable-Exec"}, {"--WRAPPER-VERBOSE", "--Wrapper-Disable-Exec"}, false, true},
        {{"--wrapper-verbose=1", "--wrapper-disable-exec ", "--wrapper-other"},
         {"--wrapper-verbose=1", "--wrapper-disable-exec ", "--wrapper-other"}, false, true},
    };
    for (const Row& row : rows) {
        CommandLine command;
        std::vector<const char*> argv;
        for (const std::string& arg : row.given) argv.push_back(arg.c_str());
        command.parseArgs("tool.exe", static_cast<int>(argv.size()), argv.data());
        Strings kept;
        for (int32_t i = 0; i < command.getNumOfArgs(); ++i) kept.push_back(command.getArg(i));
        EXPECT_EQ(kept, row.kept);
        EXPECT_EQ(command.isVerbose(), row.verbose);
        EXPECT_EQ(command.isExecEnabled(), row.exec_enabled);
        EXPECT_EQ(command.getProgram(), "tool.exe");
    }
}

TEST(CommandLineTest, ArgumentArrayDoublesAndKeepsOrder) {
    CommandLine command;
    EXPECT_EQ(command.getSizeOfArgArray(), 16);
    for (int n = 1; n <= 70; ++n) {
        command.processArg(std::to_string(n).c_str());
        ASSERT_EQ(command.getNumOfArgs(), n);
        ASSERT_EQ(command.getSizeOfArgArray(), n <= 16 ? 16 : n <= 32 ? 32 : n <= 64 ? 64 : 128);
    }
    for (int32_t i = 0; i < command.getNumOfArgs(); ++i) EXPECT_EQ(command.getArg(i), std::to_string(i + 1));
}

class BrokenCommandLine : public CommandLine {
public:
    void breakInvariant() { num_of_args = size_of_arg_array + 1; }
};

TEST(CommandLineDeathTest, AppendingAssertsTheInvariant) {
    BrokenCommandLine command;
    command.breakInvariant();
    EXPECT_DEATH(command.processArg("x"), "commandLine\\.cpp.*num_of_args <= size_of_arg_array");
}

class CommandLineRunTest : public testing::Test {
protected:
    void SetUp() override { fake::reset(fake::Os::windows); }

    // Runs tool.exe with args; the command string goes to command_.
    unit::Output run(const Strings& args) {
        CommandLine command;
        command.setProgram("tool.exe");
        for (const std::string& arg : args) command.processArg(arg.c_str());
        command_ = commandOf("tool.exe", args);
        return unit::captureOutput([&] { status_ = command.execute(); });
    }

    std::string command_;
    int status_ = 0;
};

TEST_F(CommandLineRunTest, DisabledExecutionStartsNothing) {
    unit::Output output = run({"a b", "--wrapper-disable-exec"});
    EXPECT_EQ(status_, 0);
    EXPECT_EQ(output.out, "");
    EXPECT_TRUE(fake::startedProcesses().empty());

    output = run({"--wrapper-verbose", "a b", "--wrapper-disable-exec"});
    EXPECT_EQ(status_, 0);
    EXPECT_EQ(output.out, "\"tool.exe\" \"a b\" \n");
    EXPECT_EQ(output.err, "");
    EXPECT_TRUE(fake::startedProcesses().empty());
}

TEST_F(CommandLineRunTest, ExitCodeOfTheChildIsTheStatus) {
    for (int code : {0, 3, 255, -1, INT_MAX, INT_MIN}) {
        fake::reset(fake::Os::windows);
        fake::processExitsWith(code);
        const unit::Output output = run({"--wrapper-verbose", "x"});
        EXPECT_EQ(status_, code);
        EXPECT_EQ(output.out, command_ + "\n");
        ASSERT_EQ(fake::startedProcesses().size(), 1u);
        const fake::StartedProcess& child = fake::startedProcesses()[0];
        EXPECT_EQ(child.command, command_);
        EXPECT_TRUE(child.hide_window);
        EXPECT_TRUE(child.wait);
        EXPECT_EQ(child.unflushed_output, 0u) << "the echo must be out before the child starts";
    }
}

TEST_F(CommandLineRunTest, FailedStartIsReportedOnce) {
    fake::processFailsToStart();
    const unit::Output output = run({"--wrapper-verbose", "C:\\My Dir\\"});
    EXPECT_EQ(status_, -1);
    EXPECT_EQ(output.out, command_ + "\n");
    EXPECT_EQ(output.err, "Error - failed to launch '" + command_ + "'.\n");
    EXPECT_EQ(fake::counters().run_process, 1);
}

}  // namespace

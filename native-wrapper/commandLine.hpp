// CommandLine: a program, its arguments, the wrapper options and the quoted
// command string that describes the run; plus the quoting rules shared by
// everything that writes or reads such a string.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// Appends element between double quotes, escaped so that the C runtime's
// argument rules give it back unchanged.
void appendQuotedArgument(std::string& out, const std::string& element);

// Cuts a text into elements with the C runtime's rules for arguments.
std::vector<std::string> splitArguments(const std::string& text);

// Cuts a command string into the program (read without backslash rules)
// followed by its arguments.
std::vector<std::string> splitCommandLine(const std::string& command);

class CommandLine {
public:
    CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;
    virtual ~CommandLine();

    virtual int execute();
    virtual void processArg(const char* arg);
    virtual std::string buildCommand();

    void setProgram(const char* text);
    void parseArgs(const char* program_text, int count, const char* const* arg_texts);
    bool announceCommand(std::string command);
    int runCommand(std::string command);

    const std::string& getProgram() const { return program; }
    int32_t getNumOfArgs() const { return num_of_args; }
    int32_t getSizeOfArgArray() const { return size_of_arg_array; }
    const std::string& getArg(int32_t i) const { return args[i]; }
    bool isVerbose() const { return verbose; }
    bool isExecEnabled() const { return exec_enabled; }

protected:
    FILE* out_stream;
    FILE* err_stream;
    std::string program;
    int32_t num_of_args;
    int32_t size_of_arg_array;
    std::unique_ptr<std::string[]> args;
    bool report_errors;
    bool verbose;
    bool exec_enabled;
    bool wait_for_exit;
    bool hide_window;
};

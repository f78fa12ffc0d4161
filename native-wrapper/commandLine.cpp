#include "commandLine.hpp"

#include <cassert>

#include "platform/platform.hpp"

namespace {

const int32_t kInitialArgCapacity = 16;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads the program element: quotes toggle and are dropped, nothing else is special.
std::size_t readProgram(const std::string& text, std::string& program) {
    bool quoted = false;
    std::size_t i = 0;
    for (; i < text.size() && (quoted || !isBlank(text[i])); ++i) {
        if (text[i] == '"') {
            quoted = !quoted;
        } else {
            program += text[i];
        }
    }
    return i;
}

// Reads one argument element starting at i; returns the position after it.
std::size_t readArgument(const std::string& text, std::size_t i, std::string& arg) {
    bool quoted = false;
    while (i < text.size()) {
        std::size_t backslashes = 0;
        while (i < text.size() && text[i] == '\\') {
            ++backslashes;
            ++i;
        }
        if (i < text.size() && text[i] == '"') {
            arg.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1) {
                arg += '"';
                ++i;
            } else if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                arg += '"';
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
            continue;
        }
        arg.append(backslashes, '\\');
        if (i == text.size() || (!quoted && isBlank(text[i]))) break;
        arg += text[i++];
    }
    return i;
}

// The number of backslashes right before position end of text.
std::size_t backslashesBefore(const std::string& text, std::size_t end) {
    std::size_t count = 0;
    while (count < end && text[end - 1 - count] == '\\') ++count;
    return count;
}

std::size_t skipBlanks(const std::string& text, std::size_t i) {
    while (i < text.size() && isBlank(text[i])) ++i;
    return i;
}

}  // namespace

void appendQuotedArgument(std::string& out, const std::string& element) {
    out += '"';
    // Whole runs between quotes are copied at once: a class path of thousands
    // of jars holds no quote at all.
    std::size_t start = 0;
    for (std::size_t quote = element.find('"'); quote != std::string::npos; quote = element.find('"', start)) {
        out.append(element, start, quote - start);
        // Backslashes before a quote are doubled, and the quote itself escaped.
        out.append(backslashesBefore(element, quote) + 1, '\\');
        out += '"';
        start = quote + 1;
    }
    out.append(element, start, std::string::npos);
    // Backslashes before the closing quote are doubled.
    out.append(backslashesBefore(element, element.size()), '\\');
    out += '"';
}

std::vector<std::string> splitArguments(const std::string& text) {
    std::vector<std::string> elements;
    for (std::size_t i = skipBlanks(text, 0); i < text.size(); i = skipBlanks(text, i)) {
        elements.emplace_back();
        i = readArgument(text, i, elements.back());
    }
    return elements;
}

std::vector<std::string> splitCommandLine(const std::string& command) {
    std::string program;
    const std::size_t end = readProgram(command, program);
    std::vector<std::string> elements = splitArguments(command.substr(end));
    elements.insert(elements.begin(), program);
    return elements;
}

CommandLine::CommandLine()
    : out_stream(stdout),
      err_stream(stderr),
      num_of_args(0),
      size_of_arg_array(kInitialArgCapacity),
      args(std::make_unique<std::string[]>(kInitialArgCapacity)),
      report_errors(true),
      verbose(false),
      exec_enabled(true),
      wait_for_exit(true),
      hide_window(true) {}

CommandLine::~CommandLine() = default;

void CommandLine::setProgram(const char* text) {
    program = text;
}

void CommandLine::parseArgs(const char* program_text, int count, const char* const* arg_texts) {
    setProgram(program_text);
    for (int i = 0; i < count; ++i) processArg(arg_texts[i]);
}

void CommandLine::processArg(const char* arg) {
    const std::string text = arg;
    if (text == "--wrapper-verbose") {
        verbose = true;
        return;
    }
    if (text == "--wrapper-disable-exec") {
        exec_enabled = false;
        return;
    }
    assert(num_of_args <= size_of_arg_array);
    if (num_of_args == size_of_arg_array) {
        const int32_t capacity = 2 * num_of_args;
        auto grown = std::make_unique<std::string[]>(capacity);
        for (int32_t i = 0; i < num_of_args; ++i) grown[i] = std::move(args[i]);
        args = std::move(grown);
        size_of_arg_array = capacity;
    }
    args[num_of_args++] = text;
}

std::string CommandLine::buildCommand() {
    // The program is never escaped: the C runtime reads it without backslash rules.
    std::string command = "\"" + program + "\" ";
    for (int32_t i = 0; i < num_of_args; ++i) {
        appendQuotedArgument(command, args[i]);
        command += ' ';
    }
    return command;
}

bool CommandLine::announceCommand(std::string command) {
    if (verbose) std::fprintf(out_stream, "%s\n", command.c_str());
    return exec_enabled;
}

int CommandLine::execute() {
    const std::string command = buildCommand();
    if (!announceCommand(command)) return 0;
    return runCommand(command);
}

int CommandLine::runCommand(std::string command) {
    // Our lines come before the child's, also where Windows buffers redirected output.
    std::fflush(out_stream);
    std::fflush(err_stream);
    int exit_code = 0;
    if (!platform::runProcess(command, hide_window, wait_for_exit, exit_code)) {
        if (report_errors) {
            std::fprintf(err_stream, "Error - failed to launch '%s'.\n", command.c_str());
            std::fflush(err_stream);
        }
        return -1;
    }
    return exit_code;
}

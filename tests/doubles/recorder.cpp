// A stand-in for a child program (and for java.exe): it records what it was
// given and exits with a chosen status.
//
// RECORDER_OUT names the file that receives one JSON object:
//   argv          each argument as hexadecimal bytes
//   command_line  the raw command line (Windows: GetCommandLineA) as hex
//   cwd           the working directory as hex
//   env           every NAME=VALUE of the environment as hex
// RECORDER_EXIT gives the exit status (decimal, may be negative; default 0).
// RECORDER_READY, when set, names a file written once the record is complete,
// and RECORDER_WAIT makes the program then sleep until it is signalled.
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <direct.h>
#include <windows.h>
#define getcwd _getcwd
#else
#include <unistd.h>
extern char** environ;
#endif

namespace {

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

void writeList(FILE* out, const char* key, char** items, int count) {
    std::fprintf(out, "\"%s\": [", key);
    for (int i = 0; items[i] != nullptr && (count < 0 || i < count); ++i) {
        std::fprintf(out, "%s\"%s\"", i ? ", " : "", hex(items[i]).c_str());
    }
    std::fprintf(out, "]");
}

std::string commandLine(int argc, char** argv) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    return GetCommandLineA();
#else
    std::string joined;
    for (int i = 0; i < argc; ++i) joined += std::string(i ? " " : "") + argv[i];
    return joined;
#endif
}

void touch(const char* path) {
    if (FILE* f = std::fopen(path, "w")) std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (const char* path = std::getenv("RECORDER_OUT")) {
        FILE* out = std::fopen(path, "w");
        if (out == nullptr) return 120;
        char cwd[4096] = "";
        if (getcwd(cwd, sizeof cwd) == nullptr) cwd[0] = '\0';
        std::fprintf(out, "{");
        writeList(out, "argv", argv, argc);
        std::fprintf(out, ", \"command_line\": \"%s\", \"cwd\": \"%s\", ",
                     hex(commandLine(argc, argv)).c_str(), hex(cwd).c_str());
        writeList(out, "env", environ, -1);
        std::fprintf(out, "}\n");
        std::fclose(out);
    }
    if (const char* ready = std::getenv("RECORDER_READY")) touch(ready);
#ifndef _WIN32
    if (std::getenv("RECORDER_WAIT") != nullptr) pause();
#endif
    const char* status = std::getenv("RECORDER_EXIT");
    std::fflush(stdout);
    return status ? static_cast<int>(std::strtol(status, nullptr, 10)) : 0;
}

// The narrow seam between the launcher core and the operating system.
//
// The core never includes an OS header: everything it needs from the system
// goes through these free functions. They are implemented by win32.cpp, by
// posix.cpp and, for the unit tests, by a fake that answers from memory.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The conventions of the system the launcher runs on, in one place.
struct Conventions {
    char path_separator;           // joins paths: '\\' or '/'
    char list_separator;           // separates PATH and class-path entries: ';' or ':'
    bool fold_case;                // normalizePath lower-cases; environment names ignore case
    const char* bin_dir_suffix;    // appended to ORVANTA_ROOTDIR to give ORVANTA_BINDIR
    const char* jre_offset;        // java program below ORVANTA_ROOTDIR
    const char* jre_dir_template;  // runtime directory when no override is set
    const char* java_program;      // java program below the runtime directory
    const char* jvm_library;       // JVM library below the runtime directory
    const char* splash_library;    // splash library below the runtime directory
};

const Conventions& conventions();

// Full path of the running executable, as the system reports it.
bool executablePath(std::string& path);

// Current working directory, as the system reports it.
bool currentDirectory(std::string& path);

// Reads a variable of the process environment; false when it is undefined.
bool getEnv(const std::string& name, std::string& value);

// Hands NAME=VALUE to the put-environment call; an empty VALUE removes NAME.
void putEnv(const std::string& assignment);

// The names in a directory, in the order the file system gives them
// ("." and ".." left out); false when the directory cannot be read.
bool listDirectory(const std::string& dir, std::vector<std::string>& names);

// Runs a command string as a child process sharing the console and, when
// wait is set, waits for it and stores its exit status (else 0). False when
// it cannot be started or waited for.
bool runProcess(const std::string& command, bool hide_window, bool wait, int& exit_code);

// Converts a narrow argument in the system's encoding to UTF-16; bytes that
// are not valid in that encoding become U+FFFD.
std::u16string toUtf16(const std::string& narrow);

// A library of the Java runtime, loaded by full path; its dependencies are
// found inside the runtime directory and never in the current directory.
using Library = void*;
Library loadLibrary(const std::string& path, const std::string& runtime_dir, std::string& error);
void* findSymbol(Library library, const char* name);
void freeLibrary(Library library);

// Runs body(arg) on a thread fit to host a JVM and returns its result.
int runOnJvmThread(int (*body)(void*), void* arg);

}  // namespace platform

// The platform seam answered from memory, for the unit tests.
//
// Every function of platform.hpp is served from the state below: an
// environment, the executable path and current directory, a file tree, a
// process table and a set of libraries. Requests are recorded so that a test
// can check what the core asked for. The conventions are those of Windows or
// of POSIX, chosen by reset().
//
// toUtf16 reads the bytes as Latin-1: every byte is one code unit of the same
// value, so a test can predict the result of any byte string.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace fake {

enum class Os { windows, posix };

// Orders environment names as the chosen system looks them up.
struct NameLess {
    bool fold_case;
    bool operator()(const std::string& a, const std::string& b) const;
};
using Environment = std::map<std::string, std::string, NameLess>;

// Starts a test from scratch: the given conventions, an empty environment, no
// executable path or current directory (both calls fail), no directories, a
// process table that starts everything with exit code 0, no libraries, zero
// counters. Also forgets what the core keeps for the whole process (resolved
// well-known variables, the launcher directory, the splash close hook).
void reset(Os os);

// The environment, with the lookup rules of the chosen system.
void setEnv(const std::string& name, const std::string& value);
bool hasEnv(const std::string& name);
std::string env(const std::string& name);  // empty when undefined

void setExecutablePath(const std::string& path);
void setCurrentDirectory(const std::string& path);
void failExecutablePath();
void failCurrentDirectory();

// A readable directory and its names, in the order listDirectory gives them.
void addDirectory(const std::string& dir, const std::vector<std::string>& names);

// One runProcess request, with what the child would have seen.
struct StartedProcess {
    std::string command;
    bool hide_window;
    bool wait;
    Environment environment;
    std::size_t unflushed_output;  // bytes still buffered in stdout and stderr
};
const std::vector<StartedProcess>& startedProcesses();

// How runProcess answers from now on.
void processExitsWith(int exit_code);
void processFailsToStart();

// A library that loadLibrary finds at path, exporting the given symbols.
void addLibrary(const std::string& path, const std::map<std::string, void*>& symbols);

struct LoadRequest {
    std::string path;
    std::string runtime_dir;
};
const std::vector<LoadRequest>& loadRequests();
std::size_t freedLibraries();

// How often each platform function was called since reset().
struct Counters {
    int executable_path;
    int current_directory;
    int get_env;
    int put_env;
    int list_directory;
    int run_process;
    int load_library;
    int run_on_jvm_thread;
};
const Counters& counters();

}  // namespace fake

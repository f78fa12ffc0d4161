// The platform seam answered from memory: see fakePlatform.hpp.
#include "fakePlatform.hpp"

#include <stdio_ext.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "envUtils.hpp"
#include "javaCommandLine.hpp"
#include "platform/platform.hpp"

namespace fake {
namespace {

const platform::Conventions kWindows = {
    '\\', ';', true, "\\bin64", "\\bin64\\jre64\\bin\\java.exe", "ORVANTA_BINDIR\\jre64",
    "bin\\java.exe", "bin\\server\\jvm.dll", "bin\\splashscreen.dll",
};

const platform::Conventions kPosix = {
    '/', ':', false, "/bin64", "/bin64/jre64/bin/java", "ORVANTA_BINDIR/jre64",
    "bin/java", "lib/server/libjvm.so", "lib/libsplashscreen.so",
};

using Symbols = std::map<std::string, void*>;

struct State {
    const platform::Conventions* conventions = &kWindows;
    Environment environment{NameLess{true}};
    bool has_executable_path = false;
    std::string executable_path;
    bool has_current_directory = false;
    std::string current_directory;
    std::map<std::string, std::vector<std::string>> directories;
    bool processes_start = true;
    int process_exit_code = 0;
    std::vector<StartedProcess> started;
    std::map<std::string, Symbols> libraries;
    std::vector<LoadRequest> load_requests;
    std::size_t freed = 0;
    Counters counters = {};
};

State state;

void forgetCoreState() {
    for (int i = 0; i < variable_table.num_of_vars; ++i) {
        VariableEntry& entry = variable_table.var[i];
        entry.resolved = false;
        entry.value.reset();
        entry.value_len = 0;
    }
    exe_dir_cache.clear();
    splash_close_hook = nullptr;
}

}  // namespace

bool NameLess::operator()(const std::string& a, const std::string& b) const {
    if (!fold_case) return a < b;
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) < std::toupper(static_cast<unsigned char>(y));
    });
}

void reset(Os os) {
    state = State();
    state.conventions = os == Os::windows ? &kWindows : &kPosix;
    state.environment = Environment(NameLess{os == Os::windows});
    forgetCoreState();
}

void setEnv(const std::string& name, const std::string& value) {
    state.environment[name] = value;
}

bool hasEnv(const std::string& name) {
    return state.environment.count(name) != 0;
}

std::string env(const std::string& name) {
    const auto it = state.environment.find(name);
    return it == state.environment.end() ? std::string() : it->second;
}

void setExecutablePath(const std::string& path) {
    state.has_executable_path = true;
    state.executable_path = path;
}

void setCurrentDirectory(const std::string& path) {
    state.has_current_directory = true;
    state.current_directory = path;
}

void failExecutablePath() {
    state.has_executable_path = false;
}

void failCurrentDirectory() {
    state.has_current_directory = false;
}

void addDirectory(const std::string& dir, const std::vector<std::string>& names) {
    state.directories[dir] = names;
}

const std::vector<StartedProcess>& startedProcesses() {
    return state.started;
}

void processExitsWith(int exit_code) {
    state.processes_start = true;
    state.process_exit_code = exit_code;
}

void processFailsToStart() {
    state.processes_start = false;
}

void addLibrary(const std::string& path, const std::map<std::string, void*>& symbols) {
    state.libraries[path] = symbols;
}

const std::vector<LoadRequest>& loadRequests() {
    return state.load_requests;
}

std::size_t freedLibraries() {
    return state.freed;
}

const Counters& counters() {
    return state.counters;
}

}  // namespace fake

namespace platform {

using fake::state;

const Conventions& conventions() {
    return *state.conventions;
}

bool executablePath(std::string& path) {
    ++state.counters.executable_path;
    if (state.has_executable_path) path = state.executable_path;
    return state.has_executable_path;
}

bool currentDirectory(std::string& path) {
    ++state.counters.current_directory;
    if (state.has_current_directory) path = state.current_directory;
    return state.has_current_directory;
}

bool getEnv(const std::string& name, std::string& value) {
    ++state.counters.get_env;
    const auto it = state.environment.find(name);
    if (it == state.environment.end()) return false;
    value = it->second;
    return true;
}

void putEnv(const std::string& assignment) {
    ++state.counters.put_env;
    const std::size_t equals = assignment.find('=');
    const std::string name = assignment.substr(0, equals);
    const std::string value = equals == std::string::npos ? std::string() : assignment.substr(equals + 1);
    if (value.empty()) {
        state.environment.erase(name);
    } else {
        state.environment[name] = value;
    }
}

bool listDirectory(const std::string& dir, std::vector<std::string>& names) {
    ++state.counters.list_directory;
    const auto it = state.directories.find(dir);
    if (it == state.directories.end()) return false;
    names = it->second;
    return true;
}

bool runProcess(const std::string& command, bool hide_window, bool wait, int& exit_code) {
    ++state.counters.run_process;
    const std::size_t unflushed = __fpending(stdout) + __fpending(stderr);
    state.started.push_back({command, hide_window, wait, state.environment, unflushed});
    exit_code = wait ? state.process_exit_code : 0;
    return state.processes_start;
}

std::u16string toUtf16(const std::string& narrow) {
    std::u16string wide;
    for (char c : narrow) wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    return wide;
}

Library loadLibrary(const std::string& path, const std::string& runtime_dir, std::string& error) {
    ++state.counters.load_library;
    state.load_requests.push_back({path, runtime_dir});
    const auto it = state.libraries.find(path);
    if (it == state.libraries.end()) {
        error = "no such library in the fake";
        return nullptr;
    }
    return &it->second;
}

void* findSymbol(Library library, const char* name) {
    const auto& symbols = *static_cast<const fake::Symbols*>(library);
    const auto it = symbols.find(name);
    return it == symbols.end() ? nullptr : it->second;
}

void freeLibrary(Library) {
    ++state.freed;
}

int runOnJvmThread(int (*body)(void*), void* arg) {
    ++state.counters.run_on_jvm_thread;
    return body(arg);
}

}  // namespace platform

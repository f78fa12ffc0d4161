#include "envUtils.hpp"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dunConfig.hpp"
#include "platform/platform.hpp"

namespace {

VariableEntry variable_entries[] = {
    {"ORVANTA_ROOTDIR", 15, false, nullptr, 0},
    {"ORVANTA_BINDIR", 14, false, nullptr, 0},
    {"KAVU_KIT_TEVOX", 14, false, nullptr, 0},
    {"NATIVE_WRAP_EXE_DIR", 19, false, nullptr, 0},
    {"NATIVE_WRAP_CURRENT_DIR", 23, false, nullptr, 0},
    {"NATIVE_WRAP_ORVANTA_ROOTDIR_JRE_OFFSET", 38, false, nullptr, 0},
};

const char* const kInstallMarker = "/vurn/bin";
const std::size_t kMaxSearchListNameLength = 256;

// The value of NAME_OVERRIDE when it is set and not empty.
bool readOverride(const std::string& name, std::string& value) {
    return platform::getEnv(name + "_OVERRIDE", value) && !value.empty();
}

// A derived name: its override, or the installation root followed by the suffix.
std::string derivedFromRoot(const std::string& name, const char* suffix) {
    std::string value;
    if (readOverride(name, value)) return value;
    return discoverInstallRoot() + suffix;
}

bool endsWith(const std::string& text, const char* tail) {
    const std::size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// True when the occurrence of entry i at pos is part of an occurrence of a
// longer table name (ORVANTA_ROOTDIR inside NATIVE_WRAP_ORVANTA_ROOTDIR_JRE_OFFSET).
bool insideLongerName(const std::string& text, std::size_t pos, const VariableTable* tbl, int i) {
    const VariableEntry& inner = tbl->var[i];
    for (int j = 0; j < tbl->num_of_vars; ++j) {
        const VariableEntry& outer = tbl->var[j];
        if (outer.name_len <= inner.name_len) continue;
        const char* at = std::strstr(outer.name, inner.name);
        if (at == nullptr) continue;
        const std::size_t offset = static_cast<std::size_t>(at - outer.name);
        if (pos >= offset && text.compare(pos - offset, outer.name_len, outer.name) == 0) return true;
    }
    return false;
}

std::size_t findName(const std::string& text, const VariableTable* tbl, int i) {
    const char* name = tbl->var[i].name;
    for (std::size_t pos = text.find(name); pos != std::string::npos; pos = text.find(name, pos + 1)) {
        if (!insideLongerName(text, pos, tbl, i)) return pos;
    }
    return std::string::npos;
}

void resolve(VariableEntry& entry) {
    std::string value = getEnvVar(entry.name, true);
    normalizePath(value);
    entry.value_len = static_cast<int32_t>(value.size());
    entry.value = std::make_unique<std::string>(std::move(value));
    entry.resolved = true;
}

}  // namespace

VariableTable variable_table = {6, variable_entries};
std::string exe_dir_cache;

void fatalError(const char* format, const std::string& detail) {
    std::fflush(stdout);
    std::fprintf(stderr, format, detail.c_str());
    std::fflush(stderr);
    std::exit(-1);
}

std::string getEnvVar(const std::string& name, bool required) {
    bool defined = true;
    std::string result;
    if (name == "NATIVE_WRAP_EXE_DIR") {
        result = getExeDir();
    } else if (name == "NATIVE_WRAP_CURRENT_DIR") {
        result = getCurrentDir();
    } else if (name == "NATIVE_WRAP_ORVANTA_ROOTDIR_JRE_OFFSET") {
        result = getJreOffset();
    } else if (name == "ORVANTA_ROOTDIR") {
        result = derivedFromRoot(name, "/orvanta");
    } else if (name == "KAVU_KIT_TEVOX") {
        result = derivedFromRoot(name, "/tevoxeds");
    } else if (name == "ORVANTA_BINDIR") {
        if (!readOverride(name, result)) {
            result = getEnvVar("ORVANTA_ROOTDIR", required);
            if (result.empty()) {
                defined = false;
            } else {
                result += platform::conventions().bin_dir_suffix;
            }
        }
    } else {
        defined = platform::getEnv(name, result);
    }
    if (required && !defined) fatalError("ERROR: %s - Undefined variable\n", name);
    return result;
}

void setEnvVar(const std::string& name, const std::string& value) {
    const bool search_list = name.size() <= kMaxSearchListNameLength && endsWith(name, "PATH");
    updateEnvVar(name, value, search_list);
}

void updateEnvVar(const std::string& name, const std::string& value, bool prepend) {
    if (prepend) {
        const std::string current = getEnvVar(name, false);
        if (!current.empty()) {
            putEnvVar(name, value + platform::conventions().list_separator + current);
            return;
        }
    }
    putEnvVar(name, value);
}

void putEnvVar(const std::string& name, const std::string& value) {
    platform::putEnv(name + "=" + value);
}

void unsetEnvVar(const std::string& name) {
    if (!name.empty()) platform::putEnv(name + "=");
}

void setEnvAssignment(const std::string& assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
        setEnvVar(assignment, "1");
    } else {
        setEnvVar(assignment.substr(0, equals), assignment.substr(equals + 1));
    }
}

std::string expandVariables(const std::string& text, VariableTable* tbl) {
    std::string s = text;
    for (int i = 0; i < tbl->num_of_vars; ++i) {
        const std::size_t pos = findName(s, tbl, i);
        if (pos == std::string::npos) continue;
        if (!tbl->var[i].resolved) resolve(tbl->var[i]);
        assert(tbl->var[i].value != NULL);
        s.replace(pos, tbl->var[i].name_len, *tbl->var[i].value);
    }
    return s;
}

int32_t normalizePath(std::string& path) {
    if (path.empty()) return -1;
    if (!platform::conventions().fold_case) return 0;
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    if (path.size() >= 2 && path[1] == ':' && path[0] >= 'a' && path[0] <= 'z') {
        path[0] = static_cast<char>(path[0] - 'a' + 'A');
    }
    return 0;
}

const std::string& getExeDir() {
    if (!exe_dir_cache.empty()) return exe_dir_cache;
    std::string path;
    if (!platform::executablePath(path) || path.empty()) fatalError("ERROR: GetModuleFileName() failed!\n");
    const std::size_t slash = path.rfind(platform::conventions().path_separator);
    exe_dir_cache = slash == std::string::npos ? path : path.substr(0, slash);
    return exe_dir_cache;
}

std::string getCurrentDir() {
    std::string dir;
    if (!platform::currentDirectory(dir) || dir.empty()) fatalError("ERROR: GetCurrentDirectory() failed!\n");
    return dir;
}

std::string discoverInstallRoot() {
    std::string root;
    if (getEnvVar("TOVA_OVERLAY", false) == "1" || getEnvVar("TOVA_DEV_KIT", false) == "1") {
        root = getEnvVar("TOVA_DEST_ROOT", true);
        normalizePath(root);
    }
    if (root.empty()) root = discoverRootFromExeDir(kInstallMarker);
    return root;
}

std::string discoverRootFromExeDir(const char* marker) {
    std::string dir = getExeDir();
    normalizePath(dir);
    const std::size_t pos = dir.rfind(marker);
    if (pos == std::string::npos || pos == 0) {
        fatalError("ERROR: %s - Could Not Discover TOVA Root Directory\n", dir);
    }
    return dir.substr(0, pos);
}

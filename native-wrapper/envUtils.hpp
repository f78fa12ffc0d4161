// Environment access, the well-known variables and their expansion in
// templates, and discovery of the installation root.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// One well-known name of the VariableTable, resolved on first use.
struct VariableEntry {
    const char* name;
    int32_t name_len;
    bool resolved;
    std::unique_ptr<std::string> value;  // normalised; owned by the table
    int32_t value_len;
};

struct VariableTable {
    int32_t num_of_vars;
    VariableEntry* var;
};

// The process-wide table of the six well-known names.
extern VariableTable variable_table;

// The launcher directory, empty until getExeDir first runs.
extern std::string exe_dir_cache;

std::string getEnvVar(const std::string& name, bool required);
void setEnvVar(const std::string& name, const std::string& value);
void updateEnvVar(const std::string& name, const std::string& value, bool prepend);
void putEnvVar(const std::string& name, const std::string& value);
void unsetEnvVar(const std::string& name);
void setEnvAssignment(const std::string& assignment);
std::string expandVariables(const std::string& text, VariableTable* tbl = &variable_table);
int32_t normalizePath(std::string& path);

const std::string& getExeDir();
std::string getCurrentDir();
std::string discoverInstallRoot();
std::string discoverRootFromExeDir(const char* marker);

// Prints one "ERROR: " line on standard error and ends the process with -1.
[[noreturn]] void fatalError(const char* format, const std::string& detail = std::string());

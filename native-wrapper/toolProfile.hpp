// The constants that make one launcher differ from the others.
#pragma once

// A list of templates, ended by a null entry.
using TemplateList = const char* const*;

struct ToolProfile {
    const char* main_class;
    TemplateList classpath_dirs;
    TemplateList path_dirs;
    TemplateList ld_library_path_dirs;
    TemplateList jvm_args;
    TemplateList splash_args;
    TemplateList extra_args;
    TemplateList env_assignments;
};

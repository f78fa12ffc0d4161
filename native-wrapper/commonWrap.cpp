#include "commonWrap.hpp"

#include "commandLine.hpp"
#include "envUtils.hpp"
#include "toolProfile.hpp"

void prepareChildEnvironment(CommandLine& command, const ToolProfile& profile) {
    for (TemplateList t = profile.ld_library_path_dirs; *t != nullptr; ++t) {
        setEnvVar("LD_LIBRARY_PATH", expandVariables(*t));
    }
    for (TemplateList t = profile.path_dirs; *t != nullptr; ++t) {
        setEnvVar("PATH", expandVariables(*t));
    }
    for (TemplateList t = profile.extra_args; *t != nullptr; ++t) {
        command.processArg(expandVariables(*t).c_str());
    }
    for (TemplateList t = profile.env_assignments; *t != nullptr; ++t) {
        setEnvAssignment(expandVariables(*t));
    }
}

#include "dunConfig.hpp"

#include "envUtils.hpp"
#include "platform/platform.hpp"

const char* getJreOffset() {
    return platform::conventions().jre_offset;
}

std::string getJreDir() {
    std::string dir = getEnvVar("NATIVE_WRAP_JRE_DIR_OVERRIDE", false);
    if (dir.empty()) dir = platform::conventions().jre_dir_template;
    return expandVariables(dir);
}

std::string getJavaExePath() {
    const platform::Conventions& conv = platform::conventions();
    return expandVariables(getJreDir() + conv.path_separator + conv.java_program);
}

// Prints what the environment layer answers, one line per request:
//   get:NAME       getEnvVar(NAME, false)
//   require:NAME   getEnvVar(NAME, true)
//   expand:TEXT    expandVariables(TEXT)
//   jre-dir        getJreDir()
//   java           getJavaExePath()
// Each line is "REQUEST=RESULT".
#include <cstdio>
#include <cstring>
#include <string>

#include "dunConfig.hpp"
#include "envUtils.hpp"

namespace {

std::string answer(const std::string& request) {
    const std::size_t colon = request.find(':');
    const std::string verb = request.substr(0, colon);
    const std::string operand = colon == std::string::npos ? "" : request.substr(colon + 1);
    if (verb == "get") return getEnvVar(operand, false);
    if (verb == "require") return getEnvVar(operand, true);
    if (verb == "expand") return expandVariables(operand);
    if (verb == "jre-dir") return getJreDir();
    if (verb == "java") return getJavaExePath();
    return "?";
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::printf("%s=%s\n", argv[i], answer(argv[i]).c_str());
        std::fflush(stdout);
    }
    return 0;
}

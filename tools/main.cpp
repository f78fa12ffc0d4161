// The entry point of one launcher; TOOL_PROFILE names its profile.
#include "launcherMain.hpp"
#include "toolProfiles.hpp"

int main(int argc, char** argv) {
    return runLauncher(TOOL_PROFILE, argc, argv);
}

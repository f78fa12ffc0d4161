// Runs PROGRAM with ARGS through a CommandLine and reports the status:
//   command-driver PROGRAM [ARGS...]
// The wrapper options among ARGS act as they do for a launcher. The last
// line of standard output is "status=N" with the full 32-bit status.
#include <cstdio>

#include "commandLine.hpp"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: command-driver PROGRAM [ARGS...]\n");
        return 2;
    }
    CommandLine command;
    command.parseArgs(argv[1], argc - 2, argv + 2);
    const int status = command.execute();
    std::printf("status=%d\n", status);
    std::fflush(stdout);
    return status;
}

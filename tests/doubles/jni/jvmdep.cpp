// jvmdep.dll: a library of the test runtime's own, placed only in its bin
// directory. The jvm.dll and splashscreen.dll doubles import it, as a real
// runtime's libraries import the C runtime libraries beside them, so they
// load only when the launcher finds dependencies inside the runtime.
//
// It appends the doubles' record lines to the file named by JNIDOUBLE_RECORD.
#include <cstdio>
#include <cstdlib>

extern "C" __declspec(dllexport) void jvmdepAppend(const char* line) {
    const char* path = std::getenv("JNIDOUBLE_RECORD");
    if (path == nullptr) return;
    if (FILE* out = std::fopen(path, "ab")) {
        std::fprintf(out, "%s\n", line);
        std::fclose(out);
    }
}

// splashscreen.dll double: the four splash entry points record their calls.
// Also built without one of them (WITHOUT_<name>), to stand for a splash
// library that lacks that entry point.
#include "record.hpp"

using jnidouble::record;

#define SPLASH_EXPORT extern "C" __declspec(dllexport)

#ifndef WITHOUT_SplashInit
SPLASH_EXPORT int SplashInit() {
    record({"SplashInit"});
    return 1;
}
#endif

#ifndef WITHOUT_SplashLoadFile
SPLASH_EXPORT int SplashLoadFile(const char* path) {
    record({"SplashLoadFile", jnidouble::textOrNull(path)});
    return 1;
}
#endif

#ifndef WITHOUT_SplashSetFileJarName
SPLASH_EXPORT void SplashSetFileJarName(const char* file_name, const char* jar_name) {
    record({"SplashSetFileJarName", jnidouble::textOrNull(file_name), jnidouble::textOrNull(jar_name)});
}
#endif

#ifndef WITHOUT_SplashClose
SPLASH_EXPORT void SplashClose() {
    record({"SplashClose"});
}
#endif

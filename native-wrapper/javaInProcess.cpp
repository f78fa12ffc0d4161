// The in-process road of JavaCommandLine: the JVM library of the suite's Java
// runtime loaded into the launcher, the splash screen shown by the launcher,
// and the main class called through JNI.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "dunConfig.hpp"
#include "javaCommandLine.hpp"
#include "platform/platform.hpp"

void (*splash_close_hook)() = nullptr;

namespace {

using CreateJavaVmFunction = jint(JNICALL*)(JavaVM**, void**, void*);

// The four entry points of the runtime's splash library.
struct SplashFunctions {
    void (*init)();
    int (*load_file)(const char*);
    void (*set_file_jar_name)(const char*, const char*);
    void (*close)();
};

template <typename Function>
Function lookUp(platform::Library library, const char* name) {
    return reinterpret_cast<Function>(platform::findSymbol(library, name));
}

std::string runtimeFile(const std::string& jre_dir, const char* below) {
    return jre_dir + platform::conventions().path_separator + below;
}

bool isSplashOption(const std::string& option) {
    return option.compare(0, 7, "-splash") == 0;
}

// The image path of a splash option: what follows its first ':' (its quotes
// are gone once the options are split). False when there is none.
bool splashImagePath(const std::string& option, std::string& image_path) {
    const std::size_t colon = option.find(':');
    if (colon == std::string::npos || colon + 1 == option.size()) return false;
    image_path = option.substr(colon + 1);
    return true;
}

}  // namespace

void showSplashScreen(const std::string& image_path, const std::string& jre_dir) {
    const std::string library_path = runtimeFile(jre_dir, platform::conventions().splash_library);
    std::string error;
    const platform::Library library = platform::loadLibrary(library_path, jre_dir, error);
    if (library == nullptr) {
        std::printf("Could not load splash screen: %s\n", image_path.c_str());
        return;
    }
    const SplashFunctions splash = {
        lookUp<void (*)()>(library, "SplashInit"),
        lookUp<int (*)(const char*)>(library, "SplashLoadFile"),
        lookUp<void (*)(const char*, const char*)>(library, "SplashSetFileJarName"),
        lookUp<void (*)()>(library, "SplashClose"),
    };
    splash_close_hook = splash.close;
    if (!splash.init || !splash.load_file || !splash.set_file_jar_name || !splash.close) {
        splash_close_hook = nullptr;
        return;
    }
    splash.init();
    splash.load_file(image_path.c_str());
    splash.set_file_jar_name(library_path.c_str(), nullptr);
}

bool checkJavaException(JNIEnv* env) {
    if (env->ExceptionOccurred() == nullptr) return false;
    env->ExceptionDescribe();
    env->ExceptionClear();
    return true;
}

int JavaCommandLine::launchInProcess() {
    const std::string command = buildCommand();
    if (!announceCommand(command)) return 0;
    std::fflush(stdout);
    return platform::runOnJvmThread(
        [](void* self) { return static_cast<JavaCommandLine*>(self)->runJvm(); }, this);
}

int JavaCommandLine::runJvm() {
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    if (startJvm(&vm, &env) != 0) return -1;
    checkJavaException(env);
    if (invokeMainClass(env) != 0) {
        checkJavaException(env);
        return -1;
    }
    if (splash_close_hook != nullptr) splash_close_hook();
    // An exception that escaped main fails the run, as it does for a child java.
    const bool main_threw = checkJavaException(env);
    vm->DestroyJavaVM();
    return main_threw ? 1 : 0;
}

int JavaCommandLine::startJvm(JavaVM** vm, JNIEnv** env) {
    const std::string jre_dir = getJreDir();
    const std::string jvm_path = runtimeFile(jre_dir, platform::conventions().jvm_library);

    // Split as the child road's command is split, so both roads give the JVM the same options.
    std::vector<std::string> kept;
    for (std::string& option : splitArguments(jvm_options)) {
        std::string image_path;
        if (!isSplashOption(option)) {
            kept.push_back(std::move(option));
        } else if (splashImagePath(option, image_path)) {
            showSplashScreen(image_path, jre_dir);
        }
    }
    kept.push_back(class_path_option + buildClassPath());

    std::vector<JavaVMOption> options(kept.size());
    for (std::size_t i = 0; i < kept.size(); ++i) {
        options[i].optionString = kept[i].data();
        options[i].extraInfo = nullptr;
    }
    JavaVMInitArgs init_args;
    init_args.version = JNI_VERSION_1_6;
    init_args.nOptions = static_cast<jint>(options.size());
    init_args.options = options.data();
    init_args.ignoreUnrecognized = JNI_FALSE;

    std::string error;
    const platform::Library library = platform::loadLibrary(jvm_path, jre_dir, error);
    if (library == nullptr) {
        std::fprintf(stderr, "Cannot load library: '%s' (%s)\n", jvm_path.c_str(), error.c_str());
        return -1;
    }
    const auto create = lookUp<CreateJavaVmFunction>(library, create_jvm_symbol.c_str());
    if (create == nullptr) {
        std::fprintf(stderr, "Cannot load symbol/function: '%s'\n", create_jvm_symbol.c_str());
        platform::freeLibrary(library);
        return -1;
    }
    if (create(vm, reinterpret_cast<void**>(env), &init_args) != JNI_OK) {
        std::printf("\nJavaCommandLine: Unable to Launch JVM with JNI\n");
        return -1;
    }
    // The JVM library stays loaded for the life of the process: the JVM runs from it.
    return 0;
}

int JavaCommandLine::invokeMainClass(JNIEnv* env) {
    std::string class_name = program;
    std::replace(class_name.begin(), class_name.end(), '.', '/');
    const jclass main_class = env->FindClass(class_name.c_str());
    if (main_class == nullptr) {
        std::printf("JavaCommandLine: JNI Class Not Found Error: %s\n", class_name.c_str());
        return -1;
    }
    const jclass string_class = env->FindClass(string_class_name.c_str());
    const jobjectArray arguments =
        string_class == nullptr ? nullptr : env->NewObjectArray(num_of_args, string_class, nullptr);
    if (arguments == nullptr) return -1;
    for (int32_t i = 0; i < num_of_args; ++i) {
        // Decoded from the system's encoding, so every argument arrives as typed.
        const std::u16string text = platform::toUtf16(args[i]);
        const jstring argument = env->NewString(reinterpret_cast<const jchar*>(text.data()),
                                                static_cast<jsize>(text.size()));
        if (argument == nullptr) return -1;
        env->SetObjectArrayElement(arguments, i, argument);
        env->DeleteLocalRef(argument);
    }

    const std::string signature = "([L" + string_class_name + ";)V";
    jmethodID main = env->GetStaticMethodID(main_class, main_method_name.c_str(), signature.c_str());
    if (main != nullptr) {
        env->CallStaticVoidMethod(main_class, main, arguments);
        return 0;
    }
    env->ExceptionClear();
    main = env->GetStaticMethodID(main_class, main_method_name.c_str(), "()V");
    if (main != nullptr) {
        env->CallStaticVoidMethod(main_class, main);
        return 0;
    }
    std::printf("JavaCommandLine: JNI Incorrect Method ID: %s\n", main_method_name.c_str());
    return -1;
}

// JavaCommandLine: the command line of one Java main class, with its JVM
// options, class-path jars and heap sizes, run as a child java process or in
// a JVM loaded into the launcher's own process.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <jni.h>

#include "commandLine.hpp"

extern const std::string java_program_name;
extern const std::string init_heap_size_option;
extern const std::string max_heap_size_option;
extern const std::string init_heap_size_key;
extern const std::string max_heap_size_key;
extern const std::string class_path_option;
extern const std::string create_jvm_symbol;
extern const std::string main_method_name;
extern const std::string string_class_name;
extern const std::string legal_notice;

// Closes the splash screen shown on the in-process road; null when none is up.
extern void (*splash_close_hook)();

// Shows the image through the runtime's splash library and sets splash_close_hook.
void showSplashScreen(const std::string& image_path, const std::string& jre_dir);

class JavaCommandLine : public CommandLine {
public:
    JavaCommandLine(const char* main_class, int count, const char* const* arg_texts);
    ~JavaCommandLine() override;

    int execute() override;
    void processArg(const char* arg) override;
    std::string buildCommand() override;

    void setJavaExePath(const std::string& path);
    void addJvmOption(const std::string& option);
    void setJvmOptions(const std::string& options);
    void addClassPathDir(const std::string& dir);
    void addClassPathJar(const std::string& dir, const std::string& name);
    void addJarFile(const std::string& path);
    static bool isJarFile(const std::string& name);
    std::string buildClassPath();

    const std::string& getJavaExePath() const { return java_exe_path; }
    const std::string& getJvmOptions() const { return jvm_options; }
    int32_t getNumOfClasspathJars() const { return num_of_classpath_jars; }
    int32_t getSizeOfClasspathJarArray() const { return size_of_classpath_jar_array; }
    bool loadsJvmInProcess() const { return load_jvm_in_process; }
    bool reExecsJniWithEnv() const { return re_exec_jni_with_env; }

private:
    void init(bool print_notice);
    void growClassPathJars();
    void applyHeapSizes();
    void replaceJvmOption(const std::string& key, const std::string& option);

    // The in-process road.
    int launchInProcess();
    int runJvm();
    int startJvm(JavaVM** vm, JNIEnv** env);
    int invokeMainClass(JNIEnv* env);

    std::string java_exe_path;
    std::string jvm_options;
    char classpath_separator;
    int32_t num_of_classpath_jars;
    int32_t size_of_classpath_jar_array;
    std::unique_ptr<std::string[]> classpath_jars;
    std::string init_heap_size;
    std::string max_heap_size;
    bool load_jvm_in_process;
    bool re_exec_jni_with_env;
};

// Prints and clears a pending Java exception; true when there was one.
bool checkJavaException(JNIEnv* env);

#include "javaCommandLine.hpp"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <vector>

#include "platform/platform.hpp"

const std::string java_program_name = "java";
const std::string init_heap_size_option = "--jvm-init-heap-size=";
const std::string max_heap_size_option = "--jvm-max-heap-size=";
const std::string init_heap_size_key = "-Xms";
const std::string max_heap_size_key = "-Xmx";
const std::string class_path_option = "-Djava.class.path=";
const std::string create_jvm_symbol = "JNI_CreateJavaVM";
const std::string main_method_name = "main";
const std::string string_class_name = "java/lang/String";
const std::string legal_notice =
    "***************************************************************\n"
    "Vurn Pro and the Kavu tool suite are trademarks of Dunmel.\n"
    "Copyright (c) Dunmel. All rights reserved.\n"
    "This program is licensed, not sold, under the terms of the\n"
    "licence agreement that came with the suite. Copying, changing\n"
    "or handing on this program outside those terms is forbidden.\n"
    "Third-party components are used under their own licences,\n"
    "listed in the suite's documentation.\n"
    "***************************************************************\n"
    "\n";

namespace {

const int32_t kInitialJarCapacity = 16;

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool printsLegalNotice(const std::string& main_class) {
    for (const char* silent : {"com.dunmel.embeddedsw.commandline", "BspEditorApp", "KbCatalog"}) {
        if (main_class.find(silent) != std::string::npos) return false;
    }
    return true;
}

}  // namespace

JavaCommandLine::JavaCommandLine(const char* main_class, int count, const char* const* arg_texts) {
    init(printsLegalNotice(main_class));
    parseArgs(main_class, count, arg_texts);
}

JavaCommandLine::~JavaCommandLine() = default;

void JavaCommandLine::init(bool print_notice) {
    if (print_notice) {
        std::fputs(legal_notice.c_str(), stdout);
        std::fflush(stdout);
    }
    classpath_separator = platform::conventions().list_separator;
    num_of_classpath_jars = 0;
    size_of_classpath_jar_array = kInitialJarCapacity;
    classpath_jars = std::make_unique<std::string[]>(kInitialJarCapacity);
    java_exe_path = java_program_name;
    init_heap_size.clear();
    max_heap_size.clear();
    load_jvm_in_process = false;
    re_exec_jni_with_env = false;
}

void JavaCommandLine::processArg(const char* arg) {
    const std::string text = arg;
    if (text == "--wrapper-load-jvm-in-process") {
        load_jvm_in_process = true;
    } else if (text == "--re-exec-jni-with-env") {
        re_exec_jni_with_env = true;
    } else if (startsWith(text, "--wrapper-add-jar")) {
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos) addJarFile(text.substr(equals + 1));
    } else if (startsWith(text, init_heap_size_option)) {
        init_heap_size = text.substr(init_heap_size_option.size());
    } else if (startsWith(text, max_heap_size_option)) {
        max_heap_size = text.substr(max_heap_size_option.size());
    } else {
        CommandLine::processArg(arg);
    }
}

void JavaCommandLine::setJavaExePath(const std::string& path) {
    java_exe_path = path;
}

void JavaCommandLine::addJvmOption(const std::string& option) {
    if (jvm_options.empty()) {
        setJvmOptions(option);
    } else {
        jvm_options += ' ' + option;
    }
}

void JavaCommandLine::setJvmOptions(const std::string& options) {
    jvm_options = options;
}

void JavaCommandLine::addClassPathDir(const std::string& dir) {
    std::vector<std::string> names;
    if (!platform::listDirectory(dir, names)) return;
    for (const std::string& name : names) {
        if (isJarFile(name)) addClassPathJar(dir, name);
    }
}

void JavaCommandLine::addClassPathJar(const std::string& dir, const std::string& name) {
    assert(num_of_classpath_jars <= size_of_classpath_jar_array);
    growClassPathJars();
    // Sized once: dir + separator + name would allocate twice and keep twice the room.
    std::string& path = classpath_jars[num_of_classpath_jars++];
    path.reserve(dir.size() + 1 + name.size());
    path.append(dir).append(1, platform::conventions().path_separator).append(name);
}

void JavaCommandLine::addJarFile(const std::string& path) {
    if (!isJarFile(path)) return;
    growClassPathJars();
    classpath_jars[num_of_classpath_jars++] = path;
}

bool JavaCommandLine::isJarFile(const std::string& name) {
    return name.size() >= 4 && name.compare(name.size() - 4, 4, ".jar") == 0;
}

void JavaCommandLine::growClassPathJars() {
    if (num_of_classpath_jars != size_of_classpath_jar_array) return;
    const int32_t capacity = 2 * size_of_classpath_jar_array;
    auto grown = std::make_unique<std::string[]>(capacity);
    for (int32_t i = 0; i < num_of_classpath_jars; ++i) grown[i] = std::move(classpath_jars[i]);
    classpath_jars = std::move(grown);
    size_of_classpath_jar_array = capacity;
}

std::string JavaCommandLine::buildClassPath() {
    // std::string compares its bytes as unsigned values.
    std::sort(classpath_jars.get(), classpath_jars.get() + num_of_classpath_jars);
    std::string class_path;
    for (int32_t i = 0; i < num_of_classpath_jars; ++i) {
        if (i > 0) class_path += classpath_separator;
        class_path += classpath_jars[i];
    }
    return class_path;
}

void JavaCommandLine::applyHeapSizes() {
    if (!init_heap_size.empty()) replaceJvmOption(init_heap_size_key, init_heap_size_key + init_heap_size);
    if (!max_heap_size.empty()) replaceJvmOption(max_heap_size_key, max_heap_size_key + max_heap_size);
}

void JavaCommandLine::replaceJvmOption(const std::string& key, const std::string& option) {
    const std::size_t start = jvm_options.find(key);
    if (start == std::string::npos) {
        addJvmOption(option);
        return;
    }
    std::size_t end = jvm_options.find(' ', start + key.size());
    if (end == std::string::npos) end = jvm_options.size();
    jvm_options.replace(start, end - start, option);
}

std::string JavaCommandLine::buildCommand() {
    applyHeapSizes();
    std::string command = "\"" + java_exe_path + "\"";
    if (!jvm_options.empty()) command += ' ' + jvm_options;
    if (num_of_classpath_jars > 0) {
        command += " -cp ";
        appendQuotedArgument(command, buildClassPath());
    }
    // Appended in place, not copied: with thousands of jars the command is the largest string.
    command += ' ';
    command += CommandLine::buildCommand();
    return command;
}

int JavaCommandLine::execute() {
    return load_jvm_in_process ? launchInProcess() : CommandLine::execute();
}

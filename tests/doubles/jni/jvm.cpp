// jvm.dll double. JNI_CreateJavaVM records its arguments (version,
// ignoreUnrecognized, every option string in order) and hands out a JavaVM
// and a JNIEnv built on the real function tables of jni.h. The functions the
// launcher may call record each call with its arguments, naming every
// reference they take by what made it ("class:java/lang/String", "array#1",
// "string:<UTF-16 code units in hex>", "method:main()V"). Every other slot
// records "UNEXPECTED <table> <index>" and ends the process with status 97.
//
// Scripted through the environment, which the launcher hands down:
//   JNIDOUBLE_CREATE_STATUS   result of JNI_CreateJavaVM (default 0, JNI_OK)
//   JNIDOUBLE_MISSING_CLASS   a class, in slash form, that FindClass does not find
//   JNIDOUBLE_MAIN_SIGNATURE  the only signature under which main is found
//                             (default ([Ljava/lang/String;)V)
//   JNIDOUBLE_THROW           an exception that main leaves pending
#define _JNI_IMPLEMENTATION_
#include <jni.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "record.hpp"

using jnidouble::record;
using jnidouble::script;

namespace {

const int kUnexpectedStatus = 97;

// Every reference handed out points at one of these, so the record can name it.
struct Handle {
    std::string name;
};
std::deque<Handle> handles;
int arrays_made = 0;
std::string pending_exception;

template <typename Reference>
Reference newHandle(const std::string& name) {
    handles.push_back({name});
    return reinterpret_cast<Reference>(&handles.back());
}

std::string nameOf(const void* reference) {
    if (reference == nullptr) return "null";
    for (const Handle& handle : handles) {
        if (&handle == reference) return handle.name;
    }
    return "unknown";
}

std::string hexUnits(const jchar* text, jsize length) {
    std::string out;
    char unit[5];
    for (jsize i = 0; i < length; ++i) {
        std::snprintf(unit, sizeof unit, "%04x", static_cast<unsigned>(text[i]));
        out += unit;
    }
    return out;
}

jclass JNICALL findClass(JNIEnv*, const char* name) {
    record({"FindClass", name});
    if (name == script("JNIDOUBLE_MISSING_CLASS")) {
        pending_exception = std::string("java.lang.NoClassDefFoundError: ") + name;
        return nullptr;
    }
    return newHandle<jclass>(std::string("class:") + name);
}

jmethodID JNICALL getStaticMethodID(JNIEnv*, jclass cls, const char* name, const char* signature) {
    record({"GetStaticMethodID", nameOf(cls), name, signature});
    if (signature != script("JNIDOUBLE_MAIN_SIGNATURE", "([Ljava/lang/String;)V")) {
        pending_exception = std::string("java.lang.NoSuchMethodError: ") + name;
        return nullptr;
    }
    return newHandle<jmethodID>(std::string("method:") + name + signature);
}

jobjectArray JNICALL newObjectArray(JNIEnv*, jsize length, jclass element_class, jobject initial) {
    record({"NewObjectArray", std::to_string(length), nameOf(element_class), nameOf(initial)});
    return newHandle<jobjectArray>("array#" + std::to_string(++arrays_made));
}

jstring JNICALL newString(JNIEnv*, const jchar* text, jsize length) {
    const std::string units = hexUnits(text, length);
    record({"NewString", units});
    return newHandle<jstring>("string:" + units);
}

jstring JNICALL newStringUtf(JNIEnv*, const char* text) {
    record({"NewStringUTF", text});
    return newHandle<jstring>(std::string("utf:") + text);
}

void JNICALL setObjectArrayElement(JNIEnv*, jobjectArray array, jsize index, jobject value) {
    record({"SetObjectArrayElement", nameOf(array), std::to_string(index), nameOf(value)});
}

void JNICALL deleteLocalRef(JNIEnv*, jobject reference) {
    record({"DeleteLocalRef", nameOf(reference)});
}

void JNICALL callStaticVoidMethodV(JNIEnv*, jclass cls, jmethodID method, va_list args) {
    const std::string method_name = nameOf(method);
    // A main that takes the argument array finds it as the one argument.
    if (method_name.find("([") != std::string::npos) {
        record({"CallStaticVoidMethodV", nameOf(cls), method_name, nameOf(va_arg(args, jobject))});
    } else {
        record({"CallStaticVoidMethodV", nameOf(cls), method_name});
    }
    pending_exception = script("JNIDOUBLE_THROW");
}

jthrowable JNICALL exceptionOccurred(JNIEnv*) {
    record({"ExceptionOccurred"});
    return pending_exception.empty() ? nullptr : newHandle<jthrowable>("throwable:" + pending_exception);
}

// Prints what a JVM prints for an uncaught exception, and clears it as a JVM does.
void JNICALL exceptionDescribe(JNIEnv*) {
    record({"ExceptionDescribe"});
    if (pending_exception.empty()) return;
    std::fprintf(stderr, "Exception in thread \"main\" %s\n\tat jvm double\n", pending_exception.c_str());
    std::fflush(stderr);
    pending_exception.clear();
}

void JNICALL exceptionClear(JNIEnv*) {
    record({"ExceptionClear"});
    pending_exception.clear();
}

jint JNICALL destroyJavaVM(JavaVM*) {
    record({"DestroyJavaVM"});
    return JNI_OK;
}

template <typename Table>
const char* tableName();
template <>
const char* tableName<JNIInvokeInterface_>() {
    return "JavaVM";
}
template <>
const char* tableName<JNINativeInterface_>() {
    return "JNIEnv";
}

template <typename Table, std::size_t Slot>
void JNICALL unexpected() {
    record({"UNEXPECTED", tableName<Table>(), std::to_string(Slot)});
    std::fprintf(stderr, "jvm double: unexpected call of %s slot %u\n", tableName<Table>(),
                 static_cast<unsigned>(Slot));
    std::fflush(stderr);
    std::_Exit(kUnexpectedStatus);
}

// A function table is a row of pointers: every slot gets a stub that reports its index.
template <typename Table, std::size_t... Slots>
Table unexpectedTable(std::index_sequence<Slots...>) {
    using Stub = void(JNICALL*)();
    const Stub stubs[] = {&unexpected<Table, Slots>...};
    static_assert(sizeof stubs == sizeof(Table), "a JNI function table holds only pointers");
    Table table;
    std::memcpy(&table, stubs, sizeof table);
    return table;
}

template <typename Table>
Table unexpectedTable() {
    return unexpectedTable<Table>(std::make_index_sequence<sizeof(Table) / sizeof(void*)>());
}

JNINativeInterface_ envTable() {
    JNINativeInterface_ table = unexpectedTable<JNINativeInterface_>();
    table.FindClass = findClass;
    table.GetStaticMethodID = getStaticMethodID;
    table.NewObjectArray = newObjectArray;
    table.NewString = newString;
    table.NewStringUTF = newStringUtf;
    table.SetObjectArrayElement = setObjectArrayElement;
    table.DeleteLocalRef = deleteLocalRef;
    table.CallStaticVoidMethodV = callStaticVoidMethodV;
    table.ExceptionOccurred = exceptionOccurred;
    table.ExceptionDescribe = exceptionDescribe;
    table.ExceptionClear = exceptionClear;
    return table;
}

JNIInvokeInterface_ vmTable() {
    JNIInvokeInterface_ table = unexpectedTable<JNIInvokeInterface_>();
    table.DestroyJavaVM = destroyJavaVM;
    return table;
}

const JNINativeInterface_ env_table = envTable();
const JNIInvokeInterface_ vm_table = vmTable();
JNIEnv env_instance = {&env_table};
JavaVM vm_instance = {&vm_table};

std::string hexNumber(jint value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
    return text;
}

}  // namespace

jint JNICALL JNI_CreateJavaVM(JavaVM** vm, void** env, void* args) {
    const auto* init_args = static_cast<const JavaVMInitArgs*>(args);
    std::vector<std::string> fields = {"JNI_CreateJavaVM", hexNumber(init_args->version),
                                       std::to_string(init_args->ignoreUnrecognized)};
    for (jint i = 0; i < init_args->nOptions; ++i) fields.push_back(init_args->options[i].optionString);
    record(fields);
    const int status = std::atoi(script("JNIDOUBLE_CREATE_STATUS", "0").c_str());
    if (status != JNI_OK) return status;
    *vm = &vm_instance;
    *env = &env_instance;
    return JNI_OK;
}

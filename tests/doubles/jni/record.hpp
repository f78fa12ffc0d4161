// Recording shared by the jvm.dll and splashscreen.dll doubles. Each call
// becomes one line: its name and its arguments separated by blanks, every
// byte outside printable ASCII (and '%' and the blank) written as %XX, so
// that the test reads back the exact bytes. The line is appended by
// jvmdep.dll, which both doubles import.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

extern "C" void jvmdepAppend(const char* line);

namespace jnidouble {

inline std::string escape(const std::string& text) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (c > ' ' && c < 0x7f && c != '%') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

inline void record(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) line += (i ? " " : "") + escape(fields[i]);
    jvmdepAppend(line.c_str());
}

inline std::string textOrNull(const char* text) {
    return text ? text : "null";
}

// A scripted behaviour: the value of an environment variable, or the fallback.
inline std::string script(const char* name, const char* fallback = "") {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

}  // namespace jnidouble

// The Windows backend of the platform seam: the only file of the Windows build
// that includes <windows.h>. What may live here: the Windows conventions and
// thin wrappers around narrow ("A") Win32 calls and the C runtime's
// environment functions, with the handles they need. No rule of the launcher
// (messages, templates, quoting, exit codes) belongs here; those stay in the
// portable core, where the unit tests reach them.
#include "platform/platform.hpp"

#include <windows.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/consoleEvents.hpp"

namespace platform {

namespace {

// Windows handles no path longer than this; a buffer never needs to grow beyond it.
const DWORD kLongestPath = 32768;

// Owns one handle and releases it with Close; move-only, so no path leaks it.
template <typename Close>
class Owned {
public:
    // INVALID_HANDLE_VALUE, the failure value of some calls, owns nothing.
    explicit Owned(HANDLE handle = nullptr) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Owned& operator=(Owned&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() {
        if (handle_ != nullptr) Close()(handle_);
    }

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HANDLE handle_;
};

struct CloseKernelHandle {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct CloseFindHandle {
    void operator()(HANDLE handle) const { FindClose(handle); }
};

using ProcessHandle = Owned<CloseKernelHandle>;
using ThreadHandle = Owned<CloseKernelHandle>;
using FindHandle = Owned<CloseFindHandle>;

// The child being waited for, shared with the console handler, which runs on
// a thread of its own: the lock keeps the handle open while the handler takes
// its own duplicate.
SRWLOCK waited_child_lock = SRWLOCK_INIT;
HANDLE waited_child = nullptr;

ProcessHandle duplicateWaitedChild() {
    AcquireSRWLockShared(&waited_child_lock);
    HANDLE copy = nullptr;
    if (waited_child != nullptr) {
        DuplicateHandle(GetCurrentProcess(), waited_child, GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
    }
    ReleaseSRWLockShared(&waited_child_lock);
    return ProcessHandle(copy);
}

void setWaitedChild(HANDLE child) {
    AcquireSRWLockExclusive(&waited_child_lock);
    waited_child = child;
    ReleaseSRWLockExclusive(&waited_child_lock);
}

static_assert(kCtrlCEvent == CTRL_C_EVENT && kCtrlBreakEvent == CTRL_BREAK_EVENT &&
                  kCtrlCloseEvent == CTRL_CLOSE_EVENT && kCtrlLogoffEvent == CTRL_LOGOFF_EVENT &&
                  kCtrlShutdownEvent == CTRL_SHUTDOWN_EVENT,
              "the portable event codes are the system's");

BOOL WINAPI onConsoleEvent(DWORD event) {
    switch (consoleEventAction(event)) {
    case ConsoleEventAction::kLeaveToChild:
        return TRUE;
    case ConsoleEventAction::kAwaitChild:
        if (const ProcessHandle child = duplicateWaitedChild()) WaitForSingleObject(child.get(), INFINITE);
        return TRUE;
    case ConsoleEventAction::kPassOn:
        break;
    }
    return FALSE;
}

// Installs the console handler for the time of one wait. A handler routine,
// never the ignore flag: children inherit that flag and could not be interrupted.
class ConsoleEventsDuringWait {
public:
    explicit ConsoleEventsDuringWait(HANDLE child) {
        setWaitedChild(child);
        SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    }
    ~ConsoleEventsDuringWait() {
        SetConsoleCtrlHandler(onConsoleEvent, FALSE);
        setWaitedChild(nullptr);
    }
    ConsoleEventsDuringWait(const ConsoleEventsDuringWait&) = delete;
    ConsoleEventsDuringWait& operator=(const ConsoleEventsDuringWait&) = delete;
};

// Windows wants backslashes in the paths given to the loader.
std::string withBackslashes(std::string path) {
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

// Decodes bytes of the system code page; 0 when any of them is not valid there.
int decode(const char* bytes, int count, char16_t* out, int room) {
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, count, reinterpret_cast<wchar_t*>(out), room);
}

std::wstring toWide(const std::string& narrow) {
    const std::u16string text = toUtf16(narrow);
    return std::wstring(text.begin(), text.end());
}

}  // namespace

const Conventions& conventions() {
    static const Conventions windows = {
        '\\',
        ';',
        true,
        "\\bin64",
        "\\bin64\\jre64\\bin\\java.exe",
        "ORVANTA_BINDIR\\jre64",
        "bin\\java.exe",
        "bin\\server\\jvm.dll",
        "bin\\splashscreen.dll",
    };
    return windows;
}

bool executablePath(std::string& path) {
    // A full buffer means the name was cut: grow it and ask again.
    for (DWORD size = MAX_PATH; size <= kLongestPath; size *= 2) {
        std::vector<char> buffer(size);
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0) return false;
        if (length < size) {
            path.assign(buffer.data(), length);
            return true;
        }
    }
    return false;
}

bool currentDirectory(std::string& path) {
    // Too small a buffer gives the size needed, terminator included.
    DWORD size = GetCurrentDirectoryA(0, nullptr);
    while (size != 0 && size <= kLongestPath) {
        std::vector<char> buffer(size);
        const DWORD length = GetCurrentDirectoryA(size, buffer.data());
        if (length == 0) return false;
        if (length < size) {
            path.assign(buffer.data(), length);
            return true;
        }
        size = length;  // the directory changed in between and grew
    }
    return false;
}

bool getEnv(const std::string& name, std::string& value) {
    // The C runtime's copy ignores the case of names, as Windows does.
    const char* text = std::getenv(name.c_str());
    if (text == nullptr) return false;
    value = text;
    return true;
}

void putEnv(const std::string& assignment) {
    // Updates the C runtime's copy and the process environment block that
    // children inherit; NAME= removes NAME.
    _putenv(assignment.c_str());
}

bool listDirectory(const std::string& dir, std::vector<std::string>& names) {
    WIN32_FIND_DATAA entry;
    const FindHandle find(FindFirstFileA((dir + "\\*").c_str(), &entry));
    if (!find) return false;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find.get(), &entry));
    return true;
}

bool runProcess(const std::string& command, bool hide_window, bool wait, int& exit_code) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (hide_window) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    PROCESS_INFORMATION info = {};
    // CreateProcessA may write into the command line: give it a copy of its own.
    std::vector<char> command_line(command.begin(), command.end());
    command_line.push_back('\0');
    if (!CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return false;
    }
    const ProcessHandle process(info.hProcess);
    const ThreadHandle thread(info.hThread);
    exit_code = 0;
    if (!wait) return true;

    DWORD code = 0;
    {
        const ConsoleEventsDuringWait console_events(process.get());
        if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) return false;
    }
    if (!GetExitCodeProcess(process.get(), &code)) return false;
    exit_code = static_cast<int>(code);  // all 32 bits set reads as -1
    return true;
}

std::u16string toUtf16(const std::string& narrow) {
    const int size = static_cast<int>(narrow.size());
    std::u16string wide(narrow.size(), u'\0');
    const int length = size == 0 ? 0 : decode(narrow.data(), size, &wide[0], size);
    if (length > 0 || size == 0) {
        wide.resize(static_cast<std::size_t>(length));
        return wide;
    }
    // Some byte is not valid in the code page: take one character at a time,
    // the shortest sequence that decodes, and replace a byte that none explains.
    CPINFO info;
    const int longest = GetCPInfo(CP_ACP, &info) ? static_cast<int>(info.MaxCharSize) : 4;
    wide.clear();
    for (int i = 0; i < size;) {
        char16_t unit[2];
        int used = 1;
        int units = 0;
        for (; used <= longest && i + used <= size; ++used) {
            units = decode(narrow.data() + i, used, unit, 2);
            if (units > 0) break;
        }
        if (units > 0) {
            wide.append(unit, static_cast<std::size_t>(units));
            i += used;
        } else {
            wide += u'\uFFFD';
            i += 1;
        }
    }
    return wide;
}

Library loadLibrary(const std::string& path, const std::string& runtime_dir, std::string& error) {
    // The runtime's own libraries are found through these directories; the
    // current directory is never searched.
    for (const char* below : {"\\bin", "\\bin\\server"}) {
        AddDllDirectory(toWide(withBackslashes(runtime_dir + below)).c_str());
    }
    const HMODULE library = LoadLibraryExA(withBackslashes(path).c_str(), nullptr,
                                           LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (library == nullptr) error = "system error " + std::to_string(GetLastError());
    return library;
}

void* findSymbol(Library library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void freeLibrary(Library library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

int runOnJvmThread(int (*body)(void*), void* arg) {
    // The main thread of a Windows console program has room enough for a JVM.
    return body(arg);
}

}  // namespace platform

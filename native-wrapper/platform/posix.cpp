// The POSIX (Linux) backend of the platform seam.
//
// Only the functions of platform.hpp and the small helpers and handle owners
// they need live here; no launcher rule does. Buffers for paths grow until
// the system's answer fits, and every handle has one owner that closes it.
#include "platform/platform.hpp"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <locale.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>

#include "commandLine.hpp"

namespace platform {

namespace {

const Conventions kPosix = {
    '/', ':', false, "/bin64", "/bin64/jre64/bin/java", "ORVANTA_BINDIR/jre64",
    "bin/java", "lib/server/libjvm.so", "lib/libsplashscreen.so",
};

const std::size_t kInitialPathBuffer = 256;

// --- Handle owners -----------------------------------------------------------

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

struct DirectoryCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using Directory = std::unique_ptr<DIR, DirectoryCloser>;

// --- Signals while a child runs ----------------------------------------------

volatile sig_atomic_t forward_to_child = 0;

void forwardToChild(int signal_number) {
    const int saved_errno = errno;  // the interrupted code may be about to read it
    const pid_t child = forward_to_child;
    if (child > 0) ::kill(child, signal_number);
    errno = saved_errno;
}

struct WaitDisposition {
    int signal_number;
    void (*handler)(int);
};

// What the launcher does with each signal while it waits for its child.
const WaitDisposition kWaitDispositions[] = {
    // The child shares the process group: it receives the terminal's
    // interrupt and quit itself and decides; we return its status.
    {SIGINT, SIG_IGN},
    {SIGQUIT, SIG_IGN},
    // A request to end the launcher is a request to end the tool.
    {SIGTERM, forwardToChild},
    {SIGHUP, forwardToChild},
    // An inherited SIG_IGN would have the system reap the child, and its
    // status would be lost.
    {SIGCHLD, SIG_DFL},
};
const std::size_t kManagedSignals = sizeof kWaitDispositions / sizeof kWaitDispositions[0];

sigset_t managedSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const WaitDisposition& d : kWaitDispositions) sigaddset(&set, d.signal_number);
    return set;
}

// Changes the launcher's signal handling for the time of one child and puts
// back what it found. The child gets the dispositions and mask the launcher
// itself was given, so the launcher is transparent: a tool started through it
// sees a signal as ignored (nohup, a background job) exactly when it would if
// started directly, and never inherits the launcher's own ignoring.
class WaitSignals {
public:
    WaitSignals() {
        const sigset_t managed = managedSignals();
        ::pthread_sigmask(SIG_BLOCK, &managed, &entry_mask_);
        for (std::size_t i = 0; i < kManagedSignals; ++i) install(i);
    }
    WaitSignals(const WaitSignals&) = delete;
    WaitSignals& operator=(const WaitSignals&) = delete;

    ~WaitSignals() {
        blockManaged();
        forward_to_child = 0;
        // Whatever arrived meanwhile is then handled as the launcher's own.
        restoreEntryState();
    }

    // Also in the child, between fork and exec: async-signal-safe calls only.
    void restoreEntryState() const {
        for (std::size_t i = 0; i < kManagedSignals; ++i) {
            ::sigaction(kWaitDispositions[i].signal_number, &entry_actions_[i], nullptr);
        }
        ::pthread_sigmask(SIG_SETMASK, &entry_mask_, nullptr);
    }

    // From now on signals are taken, and passed on to the child.
    void forwardTo(pid_t child) {
        forward_to_child = child;
        ::pthread_sigmask(SIG_SETMASK, &entry_mask_, nullptr);
    }

    // Before the child is reaped, so that its process id is never signalled
    // once the system may have given it to another process.
    void blockManaged() {
        const sigset_t managed = managedSignals();
        ::pthread_sigmask(SIG_BLOCK, &managed, nullptr);
    }

private:
    void install(std::size_t i) {
        const WaitDisposition& d = kWaitDispositions[i];
        ::sigaction(d.signal_number, nullptr, &entry_actions_[i]);
        // A signal the launcher was told to ignore stays ignored (nohup).
        if (d.handler == forwardToChild && entry_actions_[i].sa_handler == SIG_IGN) return;
        struct sigaction action = {};
        action.sa_handler = d.handler;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        ::sigaction(d.signal_number, &action, nullptr);
    }

    sigset_t entry_mask_;
    struct sigaction entry_actions_[kManagedSignals];
};

// --- Processes ---------------------------------------------------------------

// The child's side of fork: never returns. A failed exec is reported to the
// parent through the close-on-exec pipe as the errno value.
[[noreturn]] void execChild(char* const* argv, const WaitSignals& signals, pid_t parent, int report_fd) {
    signals.restoreEntryState();
    // The tool must not outlive a launcher that is killed without a chance to
    // pass the request on; SIGTERM rather than SIGKILL lets it shut down as
    // it would on any other termination request (the JVM runs its hooks).
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);  // the launcher died before prctl
    ::execvp(argv[0], argv);
    const int error = errno;
    ssize_t written;
    do {
        written = ::write(report_fd, &error, sizeof error);
    } while (written < 0 && errno == EINTR);
    ::_exit(127);
}

// Reads the child's exec report: true when exec succeeded (the pipe closed
// without a word).
bool execSucceeded(int report_fd) {
    int error = 0;
    ssize_t n;
    do {
        n = ::read(report_fd, &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    return n == 0;
}

bool reap(pid_t child, int& status) {
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

// Waits until the child has ended without reaping it, so that its process id
// stays reserved while signals may still be passed on to it.
bool awaitExit(pid_t child) {
    siginfo_t info;
    while (::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT) < 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

// The exit status, or 128 + the signal number, as shells report it.
int exitCodeOf(int status) {
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

std::vector<char*> argumentPointers(std::vector<std::string>& elements) {
    std::vector<char*> argv;
    for (std::string& element : elements) argv.push_back(&element[0]);
    argv.push_back(nullptr);
    return argv;
}

// --- Libraries and threads ---------------------------------------------------

std::string lastLoaderError() {
    const char* text = ::dlerror();
    return text != nullptr ? text : "unknown error";
}

Library openByPath(const std::string& path, int flags, std::string& error) {
    Library library = ::dlopen(path.c_str(), flags);
    if (library == nullptr) error = lastLoaderError();
    return library;
}

struct ThreadCall {
    int (*body)(void*);
    void* arg;
    int result;
};

void* runThreadCall(void* call_pointer) {
    ThreadCall* call = static_cast<ThreadCall*>(call_pointer);
    call->result = call->body(call->arg);
    return nullptr;
}

// The stack of the JVM's main thread: the usual main-thread limit, so that
// neither the JVM nor a deeply recursing tool has less room than when java
// runs it (java gives its main thread 1 MiB by default).
const std::size_t kJvmThreadStack = 8u << 20;

class ThreadAttributes {
public:
    ThreadAttributes() { ::pthread_attr_init(&attr_); }
    ThreadAttributes(const ThreadAttributes&) = delete;
    ThreadAttributes& operator=(const ThreadAttributes&) = delete;
    ~ThreadAttributes() { ::pthread_attr_destroy(&attr_); }
    pthread_attr_t* get() { return &attr_; }

private:
    pthread_attr_t attr_;
};

// The locale of the user's environment, for this thread only: the JVM's own
// threads may be reading the process-wide locale meanwhile.
class UserCharacterLocale {
public:
    UserCharacterLocale() : previous_(::uselocale(userLocale())) {}
    UserCharacterLocale(const UserCharacterLocale&) = delete;
    UserCharacterLocale& operator=(const UserCharacterLocale&) = delete;
    ~UserCharacterLocale() { ::uselocale(previous_); }

private:
    static locale_t userLocale() {
        // Made once and kept for the life of the process.
        static const locale_t locale = [] {
            locale_t made = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
            return made != static_cast<locale_t>(0) ? made : LC_GLOBAL_LOCALE;
        }();
        return locale;
    }

    locale_t previous_;
};

void appendUtf16(std::u16string& out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

bool isScalarValue(wchar_t c) {
    return c >= 0 && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

}  // namespace

const Conventions& conventions() {
    return kPosix;
}

bool executablePath(std::string& path) {
    for (std::size_t size = kInitialPathBuffer;; size *= 2) {
        std::string buffer(size, '\0');
        const ssize_t n = ::readlink("/proc/self/exe", &buffer[0], size);
        if (n < 0) return false;
        // A result that fills the buffer may have been cut: ask again.
        if (static_cast<std::size_t>(n) < size) {
            path.assign(buffer, 0, static_cast<std::size_t>(n));
            return true;
        }
    }
}

bool currentDirectory(std::string& path) {
    for (std::size_t size = kInitialPathBuffer;; size *= 2) {
        std::string buffer(size, '\0');
        if (::getcwd(&buffer[0], size) != nullptr) {
            path = buffer.c_str();
            return true;
        }
        if (errno != ERANGE) return false;
    }
}

bool getEnv(const std::string& name, std::string& value) {
    const char* found = std::getenv(name.c_str());
    if (found == nullptr) return false;
    value = found;
    return true;
}

void putEnv(const std::string& assignment) {
    const std::size_t equals = assignment.find('=');
    const std::string name = assignment.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : assignment.substr(equals + 1);
    // The environment layer ignores a failure here, as it does on Windows.
    if (value.empty()) {
        ::unsetenv(name.c_str());
    } else {
        ::setenv(name.c_str(), value.c_str(), 1);
    }
}

bool listDirectory(const std::string& dir, std::vector<std::string>& names) {
    const Directory handle(::opendir(dir.c_str()));
    if (!handle) return false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(handle.get());
        if (entry == nullptr) return errno == 0;
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
}

bool runProcess(const std::string& command, bool /*hide_window: no windows here*/, bool wait,
                int& exit_code) {
    std::vector<std::string> elements = splitCommandLine(command);
    const std::vector<char*> argv = argumentPointers(elements);

    int report_pipe[2];
    if (::pipe2(report_pipe, O_CLOEXEC) != 0) return false;
    FileDescriptor report_read(report_pipe[0]);
    FileDescriptor report_write(report_pipe[1]);

    WaitSignals signals;
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) execChild(argv.data(), signals, parent, report_write.get());

    signals.forwardTo(child);
    report_write.reset();
    const bool started = execSucceeded(report_read.get());
    exit_code = 0;
    if (started && !wait) return true;
    const bool ended = awaitExit(child);
    signals.blockManaged();
    int status = 0;
    if (!ended || !reap(child, status) || !started) return false;
    exit_code = exitCodeOf(status);
    return true;
}

std::u16string toUtf16(const std::string& narrow) {
    const UserCharacterLocale locale;
    std::u16string out;
    std::mbstate_t state = {};
    for (std::size_t i = 0; i < narrow.size();) {
        wchar_t c = 0;
        const std::size_t n = std::mbrtowc(&c, narrow.data() + i, narrow.size() - i, &state);
        if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2) || !isScalarValue(c)) {
            // Not valid here (or cut off at the end): mark it and go on one byte later.
            out += u'\uFFFD';
            state = std::mbstate_t();
            ++i;
            continue;
        }
        appendUtf16(out, static_cast<char32_t>(c));
        i += n == 0 ? 1 : n;  // 0: an embedded NUL, one byte
    }
    return out;
}

Library loadLibrary(const std::string& path, const std::string& runtime_dir, std::string& error) {
    // The JVM library first, with its symbols global: the splash library
    // needs it and looks for it only beside itself. A full path is never
    // searched for, so the current directory plays no part.
    const std::string jvm_path = runtime_dir + kPosix.path_separator + kPosix.jvm_library;
    const Library jvm = openByPath(jvm_path, RTLD_NOW | RTLD_GLOBAL, error);
    if (jvm == nullptr || path == jvm_path) return jvm;
    // The JVM library stays loaded: it is the runtime the splash belongs to.
    return openByPath(path, RTLD_NOW, error);
}

void* findSymbol(Library library, const char* name) {
    return ::dlsym(library, name);
}

void freeLibrary(Library library) {
    ::dlclose(library);
}

int runOnJvmThread(int (*body)(void*), void* arg) {
    // The JVM misbehaves on the process's first thread, whose stack the
    // kernel grows on demand beneath the JVM's guard pages; it gets a thread
    // of its own while the first thread waits.
    ThreadCall call = {body, arg, -1};
    ThreadAttributes attributes;
    int error = ::pthread_attr_setstacksize(attributes.get(), kJvmThreadStack);
    pthread_t thread;
    if (error == 0) error = ::pthread_create(&thread, attributes.get(), runThreadCall, &call);
    if (error != 0) {
        std::fprintf(stderr, "Cannot start the JVM thread: pthread_create failed (error %d: %s)\n", error,
                     std::strerror(error));
        return -1;
    }
    ::pthread_join(thread, nullptr);
    return call.result;
}

}  // namespace platform

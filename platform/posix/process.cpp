#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <shared_mutex>
#include <string>
#include <thread>

namespace platform {
namespace {

long ErrnoToWindows(int error) {
    switch (error) {
        case ENOENT:
            return kErrorFileNotFound;
        case ENOTDIR:
        case ELOOP:
            return kErrorPathNotFound;
        case EACCES:
        case EPERM:
            return kErrorAccessDenied;
        case ENOMEM:
        case EAGAIN:
            return kErrorNotEnoughMemory;
        case ENOEXEC:
            return kErrorBadExeFormat;
        case ENAMETOOLONG:
        case E2BIG:
            return kErrorFilenameTooLong;
        case ETXTBSY:
            return kErrorSharingViolation;
        default:
            return kErrorInvalidFunction;
    }
}

bool ContainsNul(WStringView text) {
    return text.find(u'\0') != WStringView::npos;
}

bool IsBlankLine(WStringView text) {
    return text.find_first_not_of(u" \t") == WStringView::npos;
}

std::string CurrentFolder() {
    std::string buffer(256, '\0');
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
}

// The program must not depend on the working folder the child changes to.
std::string Absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/')
        return path;
    const std::string folder = CurrentFolder();
    if (folder.empty())
        return path;
    return folder == "/" ? "/" + path : folder + "/" + path;
}

// 0 when path is a regular file this process may execute, else an errno value.
int CheckExecutable(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return EACCES;
    if (faccessat(AT_FDCWD, path.c_str(), X_OK, AT_EACCESS) != 0)
        return errno;
    return 0;
}

struct Resolution {
    std::string path;  // absolute path of the program when error == 0
    int error = ENOENT;
};

// Searches PATH as execvp does: an empty entry is the current folder; a file
// that exists but may not be run is skipped, and reported when nothing else is found.
Resolution SearchPath(const std::string& name) {
    const char* env = std::getenv("PATH");
    const std::string path = env ? env : "/bin:/usr/bin";
    Resolution result;
    size_t begin = 0;
    while (begin <= path.size()) {
        size_t end = path.find(':', begin);
        if (end == std::string::npos)
            end = path.size();
        const std::string folder = end > begin ? path.substr(begin, end - begin) : ".";
        const std::string candidate = folder + "/" + name;
        const int error = CheckExecutable(candidate);
        if (error == 0)
            return Resolution{Absolute(candidate), 0};
        if (error == EACCES)
            result.error = EACCES;
        begin = end + 1;
    }
    return result;
}

Resolution ResolveProgram(const std::string& program) {
    if (program.empty())
        return {};
    if (program.find('/') == std::string::npos)
        return SearchPath(program);
    const int error = CheckExecutable(program);
    return error == 0 ? Resolution{Absolute(program), 0} : Resolution{{}, error};
}

// 0 when folder is an existing folder, else a Windows error number.
long CheckWorkingFolder(const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) {
        return errno == EACCES ? kErrorAccessDenied : kErrorDirectory;
    }
    return S_ISDIR(st.st_mode) ? 0 : kErrorDirectory;
}

class SpawnAttributes {
  public:
    SpawnAttributes() { ok_ = posix_spawnattr_init(&attr_) == 0; }
    ~SpawnAttributes() {
        if (ok_)
            posix_spawnattr_destroy(&attr_);
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    // Own process group (so Kill reaches the tool's children), default signal
    // dispositions and an empty mask, whatever this process has set up.
    bool Configure() {
        if (!ok_)
            return false;
        sigset_t all;
        sigset_t none;
        sigfillset(&all);
        sigemptyset(&none);
        const short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
        return posix_spawnattr_setflags(&attr_, flags) == 0 &&
               posix_spawnattr_setpgroup(&attr_, 0) == 0 &&
               posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
               posix_spawnattr_setsigmask(&attr_, &none) == 0;
    }
    const posix_spawnattr_t* get() const { return &attr_; }

  private:
    posix_spawnattr_t attr_{};
    bool ok_ = false;
};

class SpawnActions {
  public:
    SpawnActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
    ~SpawnActions() {
        if (ok_)
            posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    bool Configure(const std::string& folder, const Process::Extras& extras) {
        if (!ok_)
            return false;
        if (posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0) != 0) {
            return false;
        }
        if (extras.output >= 0 &&
            posix_spawn_file_actions_adddup2(&actions_, extras.output, 1) != 0)
            return false;
        if (!folder.empty() &&
            posix_spawn_file_actions_addchdir_np(&actions_, folder.c_str()) != 0) {
            return false;
        }
        // Like CreateProcess without inherited handles: the tool gets no stray
        // descriptors (a leaked pipe end would keep its reader from seeing EOF),
        // only the image it runs as. dup2 onto itself clears close-on-exec.
        int firstClosed = 3;
        if (extras.image >= 0) {
            constexpr int kImage = Process::kImageDescriptor;
            if (posix_spawn_file_actions_adddup2(&actions_, extras.image, kImage) != 0)
                return false;
            for (int fd = 3; fd < kImage; ++fd) {
                if (posix_spawn_file_actions_addclose(&actions_, fd) != 0)
                    return false;
            }
            firstClosed = kImage + 1;
        }
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        if (posix_spawn_file_actions_addclosefrom_np(&actions_, firstClosed) != 0)
            return false;
#else
        (void)firstClosed;
#endif
        return true;
    }
    const posix_spawn_file_actions_t* get() const {
        return &actions_;
    }

  private:
    posix_spawn_file_actions_t actions_{};
    bool ok_ = false;
};

// Starts path with argv in folder (empty: ours); 0 or a Windows error number.
long Spawn(const std::string& path, std::vector<std::string>& argv, const std::string& folder,
           const Process::Extras& extras, pid_t& pid) {
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    SpawnAttributes attributes;
    SpawnActions actions;
    if (!attributes.Configure() || !actions.Configure(folder, extras))
        return kErrorNotEnoughMemory;
    int error = 0;
    {
        // The child holds copies of our descriptors until it runs the program
        // (posix_spawn returns only then).
        const std::shared_lock<std::shared_mutex> copies(DescriptorCopiesLock());
        error = posix_spawn(&pid, path.c_str(), actions.get(), attributes.get(), pointers.data(),
                            environ);
    }
    if (error == 0)
        return 0;
    // The folder may have gone since it was checked.
    if ((error == ENOENT || error == ENOTDIR) && !folder.empty() && CheckWorkingFolder(folder) != 0)
        return kErrorDirectory;
    return ErrnoToWindows(error);
}

int OpenPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

// Milliseconds left until deadline, as poll wants them (-1: no limit).
int RemainingMs(bool forever, std::chrono::steady_clock::time_point deadline) {
    if (forever)
        return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        return 0;
    return static_cast<int>(std::min<long long>(left.count(), INT_MAX));
}

// A running process whose owner is gone is waited for in the background, so
// it does not stay a zombie once it ends.
void ReapInBackground(pid_t pid) {
    try {
        std::thread([pid] {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (...) {
        // No thread available: the process is reaped when this program ends.
    }
}

}  // namespace

Process::~Process() {
    Release();
}

Process::Process(Process&& other) noexcept
    : pid_(other.pid_), pidfd_(other.pidfd_), reaped_(other.reaped_), status_(other.status_) {
    other.pid_ = -1;
    other.pidfd_ = -1;
    other.reaped_ = false;
    other.status_ = -1;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Release();
        pid_ = other.pid_;
        pidfd_ = other.pidfd_;
        reaped_ = other.reaped_;
        status_ = other.status_;
        other.pid_ = -1;
        other.pidfd_ = -1;
        other.reaped_ = false;
        other.status_ = -1;
    }
    return *this;
}

void Process::Release() {
    if (pidfd_ >= 0)
        close(pidfd_);
    if (pid_ > 0 && TryReap() == Reap::Running)
        ReapInBackground(pid_);
    pid_ = -1;
    pidfd_ = -1;
    reaped_ = false;
    status_ = -1;
}

bool Process::IsStarted() const {
    return pid_ > 0;
}

std::shared_mutex& DescriptorCopiesLock() {
    static std::shared_mutex lock;
    return lock;
}

long Process::Start(WStringView commandLine, WStringView workingFolder) {
    return Start(commandLine, workingFolder, Extras{});
}

long Process::Start(WStringView commandLine, WStringView workingFolder, const Extras& extras) {
    if (ContainsNul(commandLine) || ContainsNul(workingFolder) || IsBlankLine(commandLine)) {
        return kErrorInvalidParameter;
    }
    if (IsStarted()) {
        if (TryReap() == Reap::Running)
            return kErrorBusy;
        Release();
    }
    WString program;
    std::vector<WString> arguments;
    const bool image = extras.image >= 0;
    const auto exists = [image](const WString& candidate) {
        return image || ResolveProgram(ToUtf8(candidate)).error == 0;
    };
    if (!SplitProgram(commandLine, exists, program, arguments))
        return kErrorFileNotFound;
    Resolution resolved{"/proc/self/fd/" + std::to_string(kImageDescriptor), 0};
    if (!image)
        resolved = ResolveProgram(ToUtf8(program));
    if (resolved.error != 0)
        return ErrnoToWindows(resolved.error);

    const std::string folder = ToUtf8(workingFolder);
    if (!folder.empty()) {
        if (const long error = CheckWorkingFolder(folder); error != 0)
            return error;
    }

    std::vector<std::string> argv{ToUtf8(program)};
    for (const WString& argument : arguments)
        argv.push_back(ToUtf8(argument));
    pid_t pid = -1;
    if (const long error = Spawn(resolved.path, argv, folder, extras, pid); error != 0)
        return error;
    pid_ = pid;
    pidfd_ = OpenPidfd(pid);
    return 0;
}

Process::Reap Process::TryReap() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return TryReapLocked();
}

Process::Reap Process::TryReapLocked() const {
    if (reaped_)
        return status_ >= 0 ? Reap::Ended : Reap::Failed;
    int status = 0;
    pid_t result;
    do {
        result = waitpid(pid_, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0)
        return Reap::Running;
    reaped_ = true;
    if (result != pid_)
        return Reap::Failed;  // reaped elsewhere (SIGCHLD ignored)
    status_ = status;
    return Reap::Ended;
}

WaitResult Process::Wait(uint32_t timeoutMs) {
    if (!IsStarted())
        return WaitResult::Failed;
    switch (TryReap()) {
        case Reap::Ended:
            return WaitResult::Exited;
        case Reap::Failed:
            return WaitResult::Failed;
        case Reap::Running:
            break;
    }
    return pidfd_ >= 0 ? WaitPidfd(timeoutMs) : WaitPolling(timeoutMs);
}

WaitResult Process::WaitPidfd(uint32_t timeoutMs) {
    const bool forever = timeoutMs == kWaitForever;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        pollfd fd{pidfd_, POLLIN, 0};
        const int ready = poll(&fd, 1, RemainingMs(forever, deadline));
        if (ready < 0 && errno != EINTR)
            return WaitPolling(timeoutMs);
        const Reap state = TryReap();
        if (state == Reap::Ended)
            return WaitResult::Exited;
        if (state == Reap::Failed)
            return WaitResult::Failed;
        if (ready == 0)
            return WaitResult::TimedOut;
    }
}

// Used where pidfds are not available (older kernels, restrictive seccomp).
WaitResult Process::WaitPolling(uint32_t timeoutMs) {
    const bool forever = timeoutMs == kWaitForever;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto pause = std::chrono::milliseconds(1);
    while (true) {
        const Reap state = TryReap();
        if (state == Reap::Ended)
            return WaitResult::Exited;
        if (state == Reap::Failed)
            return WaitResult::Failed;
        const int left = RemainingMs(forever, deadline);
        if (left == 0)
            return WaitResult::TimedOut;
        const auto step = left < 0 ? pause : std::min(pause, std::chrono::milliseconds(left));
        std::this_thread::sleep_for(step);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

bool Process::ExitCode(uint32_t& code) const {
    if (!IsStarted() || TryReap() != Reap::Ended)
        return false;
    if (WIFEXITED(status_)) {
        code = static_cast<uint32_t>(WEXITSTATUS(status_));
    } else if (WIFSIGNALED(status_)) {
        code = 128u + static_cast<uint32_t>(WTERMSIG(status_));
    } else {
        return false;
    }
    return true;
}

bool Process::EndedBySignal() const {
    return IsStarted() && TryReap() == Reap::Ended && WIFSIGNALED(status_);
}

bool Process::Kill() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsStarted() || reaped_)
        return false;
    // Not reaped (checked under the lock, and reaping takes it): the pid and
    // its process group id cannot have been reused.
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        if (errno == ECHILD)
            reaped_ = true;  // reaped elsewhere: the pid is no longer ours
        return false;
    }
    if (info.si_pid == pid_)
        return false;  // already ended, waiting to be reaped
    const bool group = kill(-pid_, SIGKILL) == 0;
    // The tool may have left its group (setsid); the process itself still goes.
    const bool single = kill(pid_, SIGKILL) == 0;
    return group || single;
}

}  // namespace platform

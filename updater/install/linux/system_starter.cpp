// Starting the installer on Linux: directly as root, running the checked
// bytes the held file keeps; otherwise through pkexec (its authentication
// dialog is the consent prompt), by the installer's path in the private
// download folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/admin.h"
#include "platform/files.h"
#include "platform/process.h"
#include "updater/install/installer.h"
#include "updater/install/launch.h"

namespace updater {
namespace {

// pkexec's own exit codes: the dialog was dismissed, or not authorised.
constexpr uint32_t kPkexecDismissed = 126;
constexpr uint32_t kPkexecNotAuthorised = 127;

// What pkexec runs: a shell that reports on its standard output (a pipe read
// here) that it runs, so pkexec let it start; then, when the installer cannot
// be started, that too; then it becomes the installer, whose output goes to
// standard error. An end without the first report is pkexec's own.
constexpr char16_t kShell[] = u"/bin/sh";
constexpr char16_t kWrapper[] =
    u"printf R; [ -f \\\"$0\\\" ] && [ -x \\\"$0\\\" ] || { printf F; exit 1; }; "
    u"exec \\\"$0\\\" \\\"$@\\\" >&2";
constexpr char kStarted = 'R';
constexpr char kNotStartable = 'F';

// A descriptor closed when it goes.
class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { Reset(); }
    Descriptor(Descriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Descriptor& operator=(Descriptor&&) = delete;
    int get() const { return fd_; }
    void Reset() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }

  private:
    int fd_;
};

class LinuxProcess : public StartedProcess {
  public:
    LinuxProcess(platform::Process process, Descriptor report)
        : process_(std::move(process)), report_(std::move(report)) {}
    ExitStatus WaitForExit() override {
        ExitStatus status;
        uint32_t code = 0;
        if (process_.Wait(platform::kWaitForever) != platform::WaitResult::Exited ||
            !process_.ExitCode(code)) {
            return status;
        }
        status.code = code;
        const std::string reported = Reported();
        if (report_.get() >= 0 && reported.find(kStarted) == std::string::npos)
            status.kind = code == kPkexecDismissed || code == kPkexecNotAuthorised
                              ? ExitStatus::Kind::Declined
                              : ExitStatus::Kind::NotStarted;
        else if (reported.find(kNotStartable) != std::string::npos)
            status.kind = ExitStatus::Kind::NotStarted;
        else if (process_.EndedBySignal())
            status.kind = ExitStatus::Kind::Crashed;
        else
            status.kind = ExitStatus::Kind::Exited;
        return status;
    }

  private:
    // What the wrapper wrote (the process has ended: nothing more comes from it).
    std::string Reported() const {
        std::string text;
        if (report_.get() < 0 || fcntl(report_.get(), F_SETFL, O_NONBLOCK) != 0)
            return text;
        char buffer[16];
        ssize_t n = 0;
        while (text.size() < 64 && (n = read(report_.get(), buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<size_t>(n));
        return text;
    }

    platform::Process process_;
    Descriptor report_;  // the wrapper's report (pkexec starts only)
};

// The pkexec program on PATH, or empty.
platform::WString FindPkexec() {
    const char* env = std::getenv("PATH");
    const std::string path = env ? env : "/usr/bin:/bin";
    size_t begin = 0;
    while (begin <= path.size()) {
        size_t end = path.find(':', begin);
        if (end == std::string::npos)
            end = path.size();
        if (end > begin) {
            const std::string candidate = path.substr(begin, end - begin) + "/pkexec";
            struct stat info {};
            if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode))
                return platform::FromUtf8(candidate);
        }
        begin = end + 1;
    }
    return {};
}

class LinuxStarter : public ProcessStarter {
  public:
    bool IsAdministrator() override {
        static const bool administrator = platform::IsAdministrator();
        return administrator;
    }
    bool ConsentPromptEnabled() override { return !Pkexec().empty(); }
    long StartDirect(platform::WStringView commandLine, bool, platform::WStringView folder,
                     const HeldFile* image, std::unique_ptr<StartedProcess>& process) override {
        platform::Process::Extras extras;
        if (image != nullptr && image->IsOpen())
            extras.image = static_cast<int>(image->Native());
        platform::Process started;
        const long error = started.Start(commandLine, folder, extras);
        if (error == 0)
            process = std::make_unique<LinuxProcess>(std::move(started), Descriptor());
        return error;
    }
    // pkexec wants the program's absolute path; the parameters follow as they are.
    long StartElevated(platform::WStringView program, platform::WStringView parameters, void*,
                       std::unique_ptr<StartedProcess>& process) override {
        platform::WString absolute(program);
        if (absolute.empty() || absolute.front() != u'/') {
            absolute = platform::JoinPath(platform::FromUtf8(CurrentFolder()), program);
        }
        platform::WString line =
            u"\"" + Pkexec() + u"\" " + kShell + u" -c \"" + kWrapper + u"\" \"" + absolute + u"\"";
        if (!parameters.empty())
            line += u" " + platform::WString(parameters);
        int ends[2] = {-1, -1};
        if (pipe2(ends, O_CLOEXEC) != 0)
            return platform::kErrorNotEnoughMemory;
        Descriptor reading(ends[0]);
        Descriptor writing(ends[1]);
        platform::Process::Extras extras;
        extras.output = writing.get();
        platform::Process started;
        const long error = started.Start(line, {}, extras);
        writing.Reset();
        if (error == 0)
            process = std::make_unique<LinuxProcess>(std::move(started), std::move(reading));
        return error;
    }

  private:
    // Looked up on PATH at each use, as a start by name would find it.
    static platform::WString Pkexec() { return FindPkexec(); }
    static std::string CurrentFolder() {
        char buffer[4096] = {};
        return getcwd(buffer, sizeof(buffer)) != nullptr ? std::string(buffer) : std::string("/");
    }
};

}  // namespace

ProcessStarter& SystemProcessStarter() {
    static LinuxStarter starter;
    return starter;
}

bool MakeInstallerExecutable(platform::WStringView path) {
    const std::string narrow = platform::ToUtf8(path);
    const Descriptor file(open(narrow.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (file.get() < 0 || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    // Execute permission wherever the file may be read.
    const mode_t readable = info.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
    const mode_t mode = info.st_mode | (readable >> 2);
    return mode == info.st_mode || fchmod(file.get(), mode & 07777) == 0;
}

}  // namespace updater

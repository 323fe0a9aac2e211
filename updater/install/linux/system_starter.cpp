// Starting the installer on Linux: directly as root, otherwise through pkexec
// (its authentication dialog is the consent prompt).
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

class LinuxProcess : public StartedProcess {
  public:
    LinuxProcess(platform::Process process, bool throughPkexec)
        : process_(std::move(process)), throughPkexec_(throughPkexec) {}
    ExitStatus WaitForExit() override {
        ExitStatus status;
        uint32_t code = 0;
        if (process_.Wait(platform::kWaitForever) != platform::WaitResult::Exited ||
            !process_.ExitCode(code)) {
            return status;
        }
        status.code = code;
        if (process_.EndedBySignal())
            status.kind = ExitStatus::Kind::Crashed;
        else if (throughPkexec_ && (code == kPkexecDismissed || code == kPkexecNotAuthorised))
            status.kind = ExitStatus::Kind::Declined;
        else
            status.kind = ExitStatus::Kind::Exited;
        return status;
    }

  private:
    platform::Process process_;
    bool throughPkexec_;
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
                     std::unique_ptr<StartedProcess>& process) override {
        platform::Process started;
        const long error = started.Start(commandLine, folder);
        if (error == 0)
            process = std::make_unique<LinuxProcess>(std::move(started), false);
        return error;
    }
    // pkexec wants the program's absolute path; the parameters follow as they are.
    long StartElevated(platform::WStringView program, platform::WStringView parameters, void*,
                       std::unique_ptr<StartedProcess>& process) override {
        platform::WString absolute(program);
        if (absolute.empty() || absolute.front() != u'/') {
            absolute = platform::JoinPath(platform::FromUtf8(CurrentFolder()), program);
        }
        platform::WString line = u"\"" + Pkexec() + u"\" \"" + absolute + u"\"";
        if (!parameters.empty())
            line += u" " + platform::WString(parameters);
        platform::Process started;
        const long error = started.Start(line);
        if (error == 0)
            process = std::make_unique<LinuxProcess>(std::move(started), true);
        return error;
    }

  private:
    static const platform::WString& Pkexec() {
        static const platform::WString pkexec = FindPkexec();
        return pkexec;
    }
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
    struct stat info {};
    if (stat(narrow.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    // Execute permission wherever the file may be read.
    const mode_t readable = info.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
    const mode_t mode = info.st_mode | (readable >> 2);
    return mode == info.st_mode || chmod(narrow.c_str(), mode & 07777) == 0;
}

}  // namespace updater

// Test fakes: a ProcessStarter whose rights, consent prompt, start results and
// exit statuses are set by the test, and which records what it was asked; the
// system's starter with rights chosen by the test; and a stand-in pkexec.
#pragma once

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/install/installer.h"
#include "updater/install/launch.h"

namespace updater::testing {

class FixedProcess : public StartedProcess {
  public:
    explicit FixedProcess(ExitStatus status) : status_(status) {}
    ExitStatus WaitForExit() override { return status_; }

  private:
    ExitStatus status_;
};

struct StartCall {
    bool elevated = false;
    platform::WString line;        // direct starts
    platform::WString program;     // elevated starts
    platform::WString parameters;  // elevated starts
};

class FakeStarter : public ProcessStarter {
  public:
    bool administrator = false;
    bool consentPrompt = true;
    long startError = 0;  // what either start returns
    ExitStatus status{ExitStatus::Kind::Exited, 0};
    std::vector<StartCall> calls;

    bool IsAdministrator() override { return administrator; }
    bool ConsentPromptEnabled() override { return consentPrompt; }
    long StartDirect(platform::WStringView line, bool, platform::WStringView, const HeldFile*,
                     std::unique_ptr<StartedProcess>& process) override {
        calls.push_back({false, platform::WString(line), {}, {}});
        return Start(process);
    }
    long StartElevated(platform::WStringView program, platform::WStringView parameters, void*,
                       std::unique_ptr<StartedProcess>& process) override {
        calls.push_back({true, {}, platform::WString(program), platform::WString(parameters)});
        return Start(process);
    }

  private:
    long Start(std::unique_ptr<StartedProcess>& process) {
        if (startError == 0)
            process = std::make_unique<FixedProcess>(status);
        return startError;
    }
};

// The system's starts, with the rights the test chooses.
class RightsStarter : public ProcessStarter {
  public:
    explicit RightsStarter(bool administrator) : administrator_(administrator) {}
    bool IsAdministrator() override { return administrator_; }
    bool ConsentPromptEnabled() override { return true; }
    // Runs between the installer's check and its direct start.
    std::function<void()> beforeStart;
    long StartDirect(platform::WStringView line, bool hidden, platform::WStringView folder,
                     const HeldFile* image, std::unique_ptr<StartedProcess>& process) override {
        if (beforeStart)
            beforeStart();
        return SystemProcessStarter().StartDirect(line, hidden, folder, image, process);
    }
    long StartElevated(platform::WStringView program, platform::WStringView parameters, void* owner,
                       std::unique_ptr<StartedProcess>& process) override {
        return SystemProcessStarter().StartElevated(program, parameters, owner, process);
    }

  private:
    bool administrator_;
};

#ifndef _WIN32
// A stand-in pkexec first on PATH while the object lives: it runs its
// arguments (the shell, -c, the shell's text, the installer and its
// arguments), or ends with QO_PKEXEC_EXIT as pkexec itself does; with
// QO_PKEXEC_UNRUNNABLE set it takes the installer's execute permission first.
class StandInPkexec {
  public:
    explicit StandInPkexec(const platform::WString& folder)
        : oldPath_(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin") {
        const platform::WString pkexec = platform::JoinPath(folder, u"pkexec");
        qo::test::WriteFileBytes(
            pkexec,
            "#!/bin/sh\n[ -n \"$QO_PKEXEC_EXIT\" ] && exit \"$QO_PKEXEC_EXIT\"\n"
            "[ -n \"$QO_PKEXEC_UNRUNNABLE\" ] && chmod a-x \"$4\"\n"
            "exec \"$@\"\n");
        MakeInstallerExecutable(pkexec);
        setenv("PATH", (platform::ToUtf8(folder) + ":" + oldPath_).c_str(), 1);
    }
    ~StandInPkexec() { setenv("PATH", oldPath_.c_str(), 1); }
    StandInPkexec(const StandInPkexec&) = delete;
    StandInPkexec& operator=(const StandInPkexec&) = delete;

  private:
    std::string oldPath_;
};
#endif

}  // namespace updater::testing

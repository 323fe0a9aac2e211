// Test fakes: a ProcessStarter whose rights, consent prompt, start results and
// exit statuses are set by the test, and which records what it was asked; and
// the system's starter with rights chosen by the test.
#pragma once

#include <memory>
#include <vector>

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
    long StartDirect(platform::WStringView line, bool, platform::WStringView,
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
    long StartDirect(platform::WStringView line, bool hidden, platform::WStringView folder,
                     std::unique_ptr<StartedProcess>& process) override {
        return SystemProcessStarter().StartDirect(line, hidden, folder, process);
    }
    long StartElevated(platform::WStringView program, platform::WStringView parameters, void* owner,
                       std::unique_ptr<StartedProcess>& process) override {
        return SystemProcessStarter().StartElevated(program, parameters, owner, process);
    }

  private:
    bool administrator_;
};

}  // namespace updater::testing

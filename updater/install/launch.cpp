#include "updater/install/launch.h"

namespace updater {

bool SplitForElevation(platform::WStringView commandLine, platform::WString& program,
                       platform::WString& parameters) {
    program.clear();
    parameters.clear();
    size_t rest = 0;
    if (!commandLine.empty() && commandLine.front() == u'"') {
        const size_t close = commandLine.find(u'"', 1);
        if (close == platform::WStringView::npos)
            return false;
        program = commandLine.substr(1, close - 1);
        rest = close + 1;
    } else {
        const size_t blank = commandLine.find(u' ');
        rest = blank == platform::WStringView::npos ? commandLine.size() : blank;
        program = commandLine.substr(0, rest);
    }
    if (program.empty() || program.size() > kMaxElevatedProgram) {
        program.clear();
        return false;
    }
    const size_t first = commandLine.find_first_not_of(u' ', rest);
    if (first != platform::WStringView::npos)
        parameters = commandLine.substr(first);
    return true;
}

void WaitAndReport(StartedProcess& process, LaunchReport& report) {
    const ExitStatus status = process.WaitForExit();
    report.end = status.kind;
    switch (status.kind) {
        case ExitStatus::Kind::Exited:
        case ExitStatus::Kind::Crashed:
            report.exitCode = static_cast<long>(static_cast<int32_t>(status.code));
            break;
        case ExitStatus::Kind::Declined:
            // Nothing of the program ran: the prompt was not passed.
            report.started = false;
            report.exitCode = kErrorCancelled;
            break;
        case ExitStatus::Kind::NotStarted:
            report.started = false;
            report.exitCode = kLaunchNotSplit;
            break;
        case ExitStatus::Kind::Unknown:
            break;
    }
}

std::unique_ptr<StartedProcess> LaunchProcess(ProcessStarter& starter,
                                              platform::WStringView commandLine, WaitMode wait,
                                              bool hidden, platform::WStringView folder,
                                              LaunchReport& report, bool elevationAware,
                                              void* owner, const HeldFile* image) {
    report.started = false;
    report.end = ExitStatus::Kind::Unknown;
    std::unique_ptr<StartedProcess> process;
    long error = 0;
    if (!elevationAware || starter.IsAdministrator()) {
        error = starter.StartDirect(commandLine, hidden, folder, image, process);
    } else if (starter.ConsentPromptEnabled()) {
        platform::WString program, parameters;
        if (!SplitForElevation(commandLine, program, parameters))
            return nullptr;  // report.exitCode keeps its value
        error = starter.StartElevated(program, parameters, owner, process);
    } else {
        report.exitCode = kLaunchNoElevation;
        return nullptr;
    }
    if (error != 0 || !process) {
        report.exitCode = error != 0 ? error : 1;  // started, yet nothing to wait for
        return nullptr;
    }
    report.started = true;
    if (wait == WaitMode::Return)
        return process;
    WaitAndReport(*process, report);
    return nullptr;
}

}  // namespace updater

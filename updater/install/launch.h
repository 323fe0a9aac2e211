// Starting a program for the update flow: directly when the process has
// administrative rights, otherwise through the system's consent prompt
// (Windows: the shell verb "runas"; Linux: pkexec), and waiting for it.
//
// The system is reached through ProcessStarter, which tests replace. Calls come
// from the thread of the update flow; the system starter's cached facts are
// computed on first use.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/error_codes.h"
#include "platform/text.h"
#include "updater/verify/held_file.h"

namespace updater {

// How a started process ended.
struct ExitStatus {
    enum class Kind {
        Exited,      // code is its exit code
        Crashed,     // ended by a signal (Linux); code is 128 + the signal
        Declined,    // the consent prompt was dismissed or refused (Linux: pkexec 126, 127)
        NotStarted,  // the prompt was passed, yet the program could not be started
        Unknown,     // the end could not be observed
    };
    Kind kind = Kind::Unknown;
    uint32_t code = 0;
};

class StartedProcess {
  public:
    virtual ~StartedProcess() = default;
    // Waits without a time limit for the process to end.
    virtual ExitStatus WaitForExit() = 0;
};

class ProcessStarter {
  public:
    virtual ~ProcessStarter() = default;
    virtual bool IsAdministrator() = 0;
    virtual bool ConsentPromptEnabled() = 0;
    // Starts the command line as it stands; 0 and the process, or a system
    // error number. image (may be null): the checked file the line names,
    // held open; Linux runs its held bytes instead of opening the name again.
    virtual long StartDirect(platform::WStringView commandLine, bool hidden,
                             platform::WStringView folder, const HeldFile* image,
                             std::unique_ptr<StartedProcess>& process) = 0;
    // Starts program with parameters (empty: none) through the consent prompt;
    // 0 and the process, or a system error number (1223: the user declined).
    virtual long StartElevated(platform::WStringView program, platform::WStringView parameters,
                               void* owner, std::unique_ptr<StartedProcess>& process) = 0;
};

// The system's starter (process-wide).
ProcessStarter& SystemProcessStarter();

// Result numbers of a launch besides the system's error numbers.
constexpr long kLaunchNotSplit = -1;         // the command line could not be split
constexpr long kLaunchNoElevation = -2;      // no rights and no consent prompt
using platform::kErrorCancelled;             // the user declined the consent prompt
constexpr size_t kMaxElevatedProgram = 259;  // units of the program part

enum class WaitMode { Return = 0, Forever = 1 };

// What a launch reports. exitCode starts at the caller's value (the update
// flow passes -1) and receives the exit code after a wait, or the failure
// value of the step that failed. started and ended keep a start failure and an
// abnormal end apart from exit codes of the same value.
struct LaunchReport {
    long exitCode = -1;
    bool started = false;
    ExitStatus::Kind end = ExitStatus::Kind::Unknown;  // after a wait
};

// Splits a command line for the elevated start: the program is the text up to
// the closing quote when the line starts with a quote, else up to the first
// blank, at most kMaxElevatedProgram units; the parameters are the rest after
// any blanks (empty when none). False for a missing closing quote, an empty or
// too long program part.
bool SplitForElevation(platform::WStringView commandLine, platform::WString& program,
                       platform::WString& parameters);

// Starts commandLine (elevation-aware: as described above; otherwise always
// directly). With WaitMode::Forever it waits for the end, stores the exit
// code and returns null; with WaitMode::Return it returns the running process.
// A failed start returns null with the failure in report.exitCode. image:
// as ProcessStarter::StartDirect takes it.
std::unique_ptr<StartedProcess> LaunchProcess(ProcessStarter& starter,
                                              platform::WStringView commandLine, WaitMode wait,
                                              bool hidden, platform::WStringView folder,
                                              LaunchReport& report, bool elevationAware,
                                              void* owner, const HeldFile* image = nullptr);

// Waits for a started process and records its end in report.
void WaitAndReport(StartedProcess& process, LaunchReport& report);

}  // namespace updater

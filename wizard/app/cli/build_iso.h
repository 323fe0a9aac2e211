// --iso [PATH]: builds the ISO image from the command line through the build
// worker, as the progress page does, and cancels it on Ctrl-C. Main thread only.
#pragma once

#include <signal.h>

#include <chrono>

#include "wizard/app/cli/cli_options.h"
#include "wizard/media/build_worker.h"

namespace wizard::cli {

// The pause after every step (QUELIX_STEP_PAUSE_MS, else 600 ms).
std::chrono::milliseconds StepPause();

// Catches Ctrl-C (SIGINT) while it lives: the signal only raises a flag that
// the main thread reads; interrupted system calls go on.
class InterruptWatch {
  public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;
    bool Interrupted() const;

  private:
    struct sigaction previous_ {};
};

// Runs one build through the build worker and waits for it; Ctrl-C cancels it
// as the Cancel button does. Returns the BuildResult.
int RunTerminalBuild(BuildReporter& reporter, const BuildWorker::Builder& builder);

// Returns the build's BuildResult (0 created, 1 cancelled, 2 failed), or
// kExitUsage when the image path is not usable.
int BuildIsoFromCli(WizardSettings& settings, const CliOptions& options);

}  // namespace wizard::cli

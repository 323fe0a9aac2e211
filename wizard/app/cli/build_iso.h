// --iso [PATH]: builds the ISO image from the command line through the build
// worker, as the progress page does, and cancels it on Ctrl-C. Main thread only.
#pragma once

#include "wizard/app/cli/cli_options.h"

namespace wizard::cli {

// Returns the build's BuildResult (0 created, 1 cancelled, 2 failed), or
// kExitUsage when the image path is not usable.
int BuildIsoFromCli(WizardSettings& settings, const CliOptions& options);

}  // namespace wizard::cli

// --usb TARGET and --list-usb: the USB drive page and the USB build on the
// command line. The target is a whole removable USB disk or an image file;
// the safety refusals come before anything is written. Main thread only.
#pragma once

#include "wizard/app/cli/cli_options.h"

namespace wizard::cli {

// Returns the build's BuildResult (0 created, 1 cancelled, 2 failed), or
// kExitUsage when the target is refused.
int BuildUsbFromCli(WizardSettings& settings, const CliOptions& options);

// Prints the USB page's rows with the device path, again on every device
// change with --watch; kExitFailed when the disks cannot be listed at all.
int ListUsbFromCli(WizardSettings& settings, const CliOptions& options);

}  // namespace wizard::cli

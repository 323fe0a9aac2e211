// --usb A --usb B ...: several USB drives (or image files) made at once, each
// by its own build worker, disk access, settings copy and read-back check.
// The user confirms once, for every drive (model, size, serial); the drives'
// progress is shown by a DriveBoard and a table of results ends the run. A
// drive that fails does not stop the others; Ctrl-C stops them all, waits at
// most 4 s in all for them to end, and the table names the incomplete ones.
// Each drive's build record is written when its build ended.
//
// Main thread only.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "wizard/app/cli/cli_options.h"
#include "wizard/media/build_stamp.h"

namespace wizard::cli {

// Hooks of a run, for tests; called on the drives' worker threads.
struct DriveRunHooks {
    // After drive's step was shown ("text@position").
    std::function<void(size_t drive, const std::string& step)> onStep;
    // After drive was written, before it is read back.
    std::function<void(size_t drive)> beforeReadBack;
};

// Builds the drives (already opened and confirmed) from settings, with the
// options' verification, records and digests; the board and table go to out.
// Returns 0 when every drive was made, 1 when the run was cancelled, else 2.
int BuildDrives(const WizardSettings& settings, const std::vector<UsbDiskInfo>& disks,
                const CliOptions& options, const BuildStamp& stamp, std::FILE* out,
                const DriveRunHooks& hooks = {});

// The whole command: opens and checks every target (two names for one drive
// are refused), checks the log share, asks once, builds. kExitUsage when a
// target is refused.
int BuildManyUsbFromCli(WizardSettings& settings, const CliOptions& options);

}  // namespace wizard::cli

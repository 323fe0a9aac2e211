// WipeDrive: one drive's whole wipe on its own thread: the ATA options, every
// pass of its plan (the last one replaced by the ATA erase where the policy
// asks for it and the drive can do it), the verifications, and the record of
// all of it for the log. A failing drive ends with its error in the record;
// the other drives' threads are not affected.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "wiper/ata_options.h"
#include "wiper/pass_executor.h"
#include "wiper/wipe_log.h"
#include "wiper/wipe_settings.h"

namespace wiper {

struct DriveJob {
    DriveInfo drive;
    std::string scheme;      // display name
    std::string schemeFile;  // as policy.cfg names it
    bool verification = false;
    ClassPolicy ata;  // resetHpa, resetDco, ataErase
    std::vector<PlannedPass> passes;
};

struct DriveTools {
    DriveTools(BlockTarget& t, ProgressSink& p) : target(t), progress(p) {}

    BlockTarget& target;
    ProgressSink& progress;
    // The drive's ATA commands; nullptr when it does not answer them (with
    // the reason in ataMissing).
    AtaPort* ata = nullptr;
    std::string ataMissing;
    // Makes the kernel and the target read the drive's size again after
    // hidden sectors were shown; false when that failed.
    std::function<bool()> refreshSize;
    // The current date and time for the record.
    std::function<std::string()> now;
};

// The bytes a job moves (writes, verifications, reads), for the progress.
uint64_t JobWork(const DriveJob& job, uint64_t size);

DriveRecord WipeDrive(const DriveJob& job, DriveTools& tools);

}  // namespace wiper

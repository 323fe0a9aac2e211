// The record of one run of the wiping environment and its two texts: the log
// file (written to the USB medium and/or the share) and the summary table on
// the console. Plain data and pure functions; any thread.
#pragma once

#include <string>
#include <vector>

#include "wiper/drive_scan.h"

namespace wiper {

struct PassRecord {
    std::string description;  // "pass 2/3: complement"
    std::string started;      // "2026-05-04 10:11:12"
    std::string ended;
    std::string result;  // "done", "done, verified", "failed: ..."
};

enum class DriveResult { Wiped, Failed, NotWiped };

struct DriveRecord {
    DriveInfo drive;
    std::string scheme;      // display name
    std::string schemeFile;  // as policy.cfg names it
    bool verification = false;
    std::vector<std::string> notes;  // ATA options and other remarks
    std::vector<PassRecord> passes;
    DriveResult result = DriveResult::NotWiped;
    int verifications = 0;  // verifications that found the data written
    std::string failure;    // why the drive failed or was not wiped
};

struct RunRecord {
    std::string version;
    std::string bootTime;
    std::string configDigest;  // SHA-256 of wipe_config and policy.cfg
    std::string mode;          // "automatic", "manual"
    std::vector<std::string> notes;
    std::vector<DriveRecord> drives;
};

// "64 MiB", "1.5 GiB", "932 GiB", "1.8 TiB".
std::string SizeText(uint64_t bytes);

// The log file's text (LF line ends).
std::string RenderLog(const RunRecord& run);

// One line per drive: name, class, size, serial, scheme, result.
std::string RenderSummary(const RunRecord& run);

// "wiped and verified", "wiped", "FAILED: ...", "not wiped: ...".
std::string ResultText(const DriveRecord& drive);

}  // namespace wiper

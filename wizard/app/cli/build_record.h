// The build record: one small JSON file per medium that tells which program,
// options and configuration went onto it (the SHA-256 of the configuration
// files and of every other file written), which drive or image it is, and
// whether it was read back and found as written. Administrators keep these
// to show which configuration wiped which machines.
//
// Written after the build, beside an image file (IMAGE.json, replacing the
// record of the image it replaced) or into the --record folder under a new
// name (older records are never replaced). The share password is never
// written. Main thread, or the thread that ran the build.
#pragma once

#include <cstdint>
#include <string>

#include "wizard/media/linux/medium_verifier.h"
#include "wizard/media/usb_disk_info.h"
#include "wizard/settings/wizard_settings.h"

namespace wizard::cli {

// The medium a record describes.
struct RecordedMedium {
    std::string kind;    // "usb-drive", "usb-image" or "iso-image"
    std::string path;    // the device or image file
    std::string given;   // the name it was given by, when that was a link; else empty
    std::string model;   // a drive's vendor and model; empty for a file
    std::string serial;  // a drive's serial; empty for a file
    uint64_t bytes = 0;  // the whole drive's or image file's size
};

// The record's JSON text; result is the build's ("created", "failed").
std::string BuildRecordText(const WizardSettings& settings, const RecordedMedium& medium,
                            const MediumReport& report, const std::string& result, int64_t time);

// Writes the record of a medium built at time: into folder when one is given,
// else beside an image file; nothing (true, path empty) for a drive without
// a folder. path receives the record's name; false with a one-line error.
bool WriteBuildRecord(const std::string& folder, const RecordedMedium& medium,
                      const std::string& text, int64_t time, std::string& path, std::string& error);

// The medium a USB build wrote: a drive (its model and serial from sysfs) or
// an image file.
RecordedMedium DriveMedium(const UsbDiskInfo& disk);

// Writes the record of a build that ended (buildResult kBuildCreated or
// kBuildFailed) and says where on standard error; a record that cannot be
// written is reported there too (the medium stays as it was made).
void RecordBuild(const std::string& folder, const WizardSettings& settings,
                 const RecordedMedium& medium, const MediumReport& report, int buildResult,
                 int64_t time);

}  // namespace wizard::cli

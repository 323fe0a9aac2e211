// Reproducible builds on the command line: the time every date of the medium
// takes, from SOURCE_DATE_EPOCH or, with --reproducible, from the newest file
// of the payload, and the environment that makes the external tools
// (mkfs.fat, mtools, syslinux) write the same bytes on every machine.
// Main thread, before the build starts.
#pragma once

#include <string>

#include "platform/text.h"
#include "wizard/app/cli/cli_options.h"
#include "wizard/media/build_stamp.h"

namespace wizard::cli {

// The build's stamp. sourceDateEpoch (the variable's value, null when unset
// or empty) wins; it must be a decimal number of seconds from 0 to
// 4294967295. Without it, --reproducible takes the newest modification time
// of the files the media are made of (the program folder's common/, iso/,
// boot/, flash/, schemes/, addons.txt and mbr.bin), and a build without
// either keeps the clock. False with a one-line message
// in error.
bool ResolveBuildStamp(bool reproducible, const char* sourceDateEpoch,
                       platform::WStringView programFolder, BuildStamp& stamp, std::string& error);

// For a stamp with a time: SOURCE_DATE_EPOCH for the tools that read it
// (mtools, hence syslinux's installer) and TZ=UTC0, because FAT directory
// entries hold local times. Nothing for a stamp without one.
void ExportStampToTools(const BuildStamp& stamp);

// Both for a build of --iso, --usb or --netboot, with the environment's SOURCE_DATE_EPOCH;
// false after a message.
bool PrepareBuildStamp(const CliOptions& options, platform::WStringView programFolder,
                       BuildStamp& stamp);

}  // namespace wizard::cli

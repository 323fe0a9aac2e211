// UsbMediaBuilder: turns the USB disk chosen on the USB drive page
// (UsbDisks[SelectedUsbDisk]) into a bootable wiping medium.
//
// A drive that is not usable as it is (FormatNeed not 0) is confirmed with the
// user, gets a new partition table when it has none and is formatted FAT32
// (the system's formatter up to kSystemFormatterMaxKB, the own writer above).
// Then the files for the drive root (the program folder's common/ and flash/,
// the configuration files and the archive) are staged in a private folder,
// copied onto the volume, and the boot loader is installed from the program
// folder and checked. Every step reaches the disk through DiskAccess, and
// only after the disk was found to be the one the user confirmed: a drive
// replaced or removed stops the build with a message before anything more is
// written, and a tool that ran while it was replaced never counts as success.
// A MediumCheck, when given, sees the drive once the boot loader is in place,
// while the staged files still exist.
//
// Runs on the build worker thread; it updates the chosen record (partition
// start, size) and may reset the wiping options (UseDefaultSetings).
#pragma once

#include "platform/text.h"
#include "wizard/media/build_stamp.h"
#include "wizard/media/build_worker.h"
#include "wizard/media/disk_access.h"
#include "wizard/media/medium_check.h"
#include "wizard/settings/wizard_settings.h"

namespace wizard {

// The system's formatter takes volumes up to this size (30 GiB) inclusive.
constexpr uint32_t kSystemFormatterMaxKB = 31457280;
inline constexpr char16_t kUsbVolumeLabel[] = u"QUELIX_OMS";

class UsbMediaBuilder {
  public:
    // tempFolder: where the staging folder is made (empty: the temporary folder);
    // stamp: the source of the disk signature, the volume serial and the
    // archive's times (none: the tick count and the clock); check: what
    // the written drive is handed to (none: nothing).
    UsbMediaBuilder(WizardSettings& settings, BuildContext& build, DiskAccess& access,
                    platform::WString programFolder, platform::WString tempFolder = {},
                    BuildStamp stamp = {}, MediumCheck* check = nullptr);
    ~UsbMediaBuilder();
    UsbMediaBuilder(const UsbMediaBuilder&) = delete;
    UsbMediaBuilder& operator=(const UsbMediaBuilder&) = delete;

    bool BuildUsbDrive();

    // The steps, public for their tests.
    bool PrepareUsbDisk(UsbDiskInfo& disk);
    bool CreatePartitionTable(UsbDiskInfo& disk);
    bool FormatVolume(UsbDiskInfo& disk, long& startError, uint32_t& exitCode);
    bool FormatFat32(UsbDiskInfo& disk);

  private:
    // The disk opened for one step; null when it cannot be (a replaced
    // drive's message is then shown).
    std::unique_ptr<Disk> Hold(const UsbDiskInfo& disk, DiskUse use);
    bool CheckIdentity(const UsbDiskInfo& disk);
    // After a tool ran on the held disk: whether it is still the same disk.
    bool StillSame(Disk& held);
    void Stop(const platform::WString& why);
    // Unmounts the disk's mounted volumes, once it shows the identity, with a
    // step line for each at position; a busy one ends the build.
    bool Unmount(const UsbDiskInfo& disk, int position);
    bool TakeKeptPartitionStart(UsbDiskInfo& disk);
    bool StageFiles();
    bool WriteConfiguration();
    bool WriteArchive();
    bool CopyFiles(const UsbDiskInfo& disk);
    bool InstallBootLoader(const UsbDiskInfo& disk);
    bool CheckMedium(const UsbDiskInfo& disk);
    bool RunTool(const platform::WString& commandLine, long& startError, uint32_t& exitCode);
    void Fail(const platform::WString& text);

    WizardSettings& settings_;
    BuildContext& build_;
    DiskAccess& access_;
    platform::WString programFolder_;
    platform::WString tempFolder_;
    BuildStamp stamp_;
    MediumCheck* check_;
    platform::WString stage_;  // the staging folder, empty until it exists
    bool reported_ = false;    // a replaced drive's message was shown
};

}  // namespace wizard

// LinuxDiskAccess: DiskAccess for a whole-disk device (/dev/sdX) or an image
// file treated as a whole disk. The volume is always addressed through the
// whole disk at its byte offset (PartitionStartSector), so nothing depends
// on the kernel's partition devices and nothing is mounted: the formatter is
// mkfs.vfat with --offset, files go on with mtools (mcopy -s -o), the boot
// loader is the payload's syslinux --install --offset plus its mbr.bin and
// the active flag. A device is locked by unmounting its partitions and
// opening it exclusively; an image file by an exclusive advisory lock. Files
// are copied in name order; with a stamp's time the formatter writes the
// stamp's volume serial and fixed times.
//
// Build worker thread (one object per build); the roots are parameters so tests use a fake tree.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "wizard/media/build_stamp.h"
#include "wizard/media/disk_access.h"

namespace wizard {

struct LinuxRoots {
    std::string sys = "/sys";
    std::string dev = "/dev";
    std::string mountinfo = "/proc/self/mountinfo";
};

class LinuxDiskAccess : public DiskAccess {
  public:
    explicit LinuxDiskAccess(LinuxRoots roots = {}, BuildStamp stamp = {});

    std::unique_ptr<Disk> OpenDisk(const UsbDiskInfo& disk) override;
    std::unique_ptr<LockedVolume> LockVolume(const UsbDiskInfo& disk) override;
    bool IsSameDisk(const UsbDiskInfo& disk, platform::WString& why) override;
    bool LabelVolume(const UsbDiskInfo& disk, platform::WStringView label) override;
    platform::WString FormatterCommandLine(const UsbDiskInfo& disk,
                                           platform::WStringView label) override;
    bool CopyToVolume(const UsbDiskInfo& disk, platform::WStringView folder) override;
    platform::WString InstallerCommandLine(const UsbDiskInfo& disk,
                                           platform::WStringView programFolder) override;
    bool FinishBootLoader(const UsbDiskInfo& disk, platform::WStringView programFolder) override;
    bool VolumeHasFile(const UsbDiskInfo& disk, platform::WStringView name) override;

  private:
    // Unmounts every mounted partition of a whole-disk device; true when none
    // stays mounted (always for an image file).
    bool Dismount(const std::string& path);

    LinuxRoots roots_;
    BuildStamp stamp_;
    // The descriptors of the volumes this object holds locked, by disk path:
    // the disk may be opened again while its own lock is held (a partition
    // table is written under the volume lock), by nobody else.
    std::map<std::string, std::weak_ptr<int>> locked_;
};

// Whether a device name (sdb1, mmcblk0p1, or the disk itself) belongs to the
// whole disk `disk` (sdb, mmcblk0); sdba is not a partition of sdb.
bool IsPartitionOf(const std::string& device, const std::string& disk);

// A path quoted for a command line (the Windows splitting rules that
// platform::Process applies on both targets).
platform::WString QuoteArgument(platform::WStringView text);

// Runs a command line and waits; true when it ended with exit code 0.
bool RunQuietly(const platform::WString& commandLine);

}  // namespace wizard

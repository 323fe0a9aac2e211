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
// The disk is reached through descriptors whose identity was checked: an
// image file through one descriptor held from its first use until the object
// goes (a file renamed onto its path changes nothing but fails the checks); a
// device through a descriptor opened for each step, which also keeps the
// medium from being replaced while the step runs. Tools get a name that leads
// to that descriptor (/dev/disk/by-diskseq/N when udev made it, else
// /proc/PID/fd/N).
//
// Build worker thread, one object per build; the roots are parameters so tests use a fake tree.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "wizard/media/build_stamp.h"
#include "wizard/media/disk_access.h"
#include "wizard/media/linux/unique_fd.h"

namespace wizard {

struct LinuxRoots {
    std::string sys = "/sys";
    std::string dev = "/dev";
    std::string mountinfo = "/proc/self/mountinfo";
};

class LinuxDiskAccess : public DiskAccess {
  public:
    explicit LinuxDiskAccess(LinuxRoots roots = {}, BuildStamp stamp = {});

    std::unique_ptr<Disk> OpenDisk(const UsbDiskInfo& disk, DiskUse use,
                                   platform::WString& why) override;
    std::unique_ptr<LockedVolume> LockVolume(const UsbDiskInfo& disk) override;
    bool Dismount(const Disk& held, const UsbDiskInfo& disk,
                  std::vector<platform::WString>& unmounted, platform::WString& why) override;
    bool VolumeStartSector(const UsbDiskInfo& disk, uint64_t& sector) override;
    bool LabelVolume(const Disk& held, const UsbDiskInfo& disk,
                     platform::WStringView label) override;
    platform::WString FormatterCommandLine(const Disk& held, const UsbDiskInfo& disk,
                                           platform::WStringView label) override;
    bool CopyToVolume(const Disk& held, const UsbDiskInfo& disk,
                      platform::WStringView folder) override;
    platform::WString InstallerCommandLine(const Disk& held, const UsbDiskInfo& disk,
                                           platform::WStringView programFolder) override;
    bool FinishBootLoader(Disk& held, const UsbDiskInfo& disk,
                          platform::WStringView programFolder) override;
    bool VolumeHasFile(Disk& held, const UsbDiskInfo& disk, platform::WStringView name) override;

  private:
    // Opens the record's disk, without checking its identity: an image file
    // through the descriptor held for it, a device by its path (exclusively
    // for writing). shareLock: a volume lock this object holds is shared
    // rather than refused.
    UniqueFd Open(const UsbDiskInfo& disk, DiskUse use, bool shareLock);

    LinuxRoots roots_;
    BuildStamp stamp_;
    // The image files of this build, each held by one descriptor.
    std::map<std::string, UniqueFd> images_;
    // The descriptors of the volumes this object holds locked, by disk path:
    // the disk may be opened again while its own lock is held (a partition
    // table is written under the volume lock), by nobody else.
    std::map<std::string, std::weak_ptr<int>> locked_;
};

// How messages name the drive: its device or image file, after the name it
// was given by when that was a link ("/dev/disk/by-id/usb-X (/dev/sdb)").
platform::WString DriveName(const UsbDiskInfo& disk);

// Whether a device name (sdb1, mmcblk0p1, or the disk itself) belongs to the
// whole disk `disk` (sdb, mmcblk0); sdba is not a partition of sdb.
bool IsPartitionOf(const std::string& device, const std::string& disk);

// A path quoted for a command line (the Windows splitting rules that
// platform::Process applies on both targets).
platform::WString QuoteArgument(platform::WStringView text);

// A system tool by its path in the system's program folders (never through
// PATH, which another user may set for a program run as root); the bare name
// when none has it.
platform::WString SystemTool(const char* name);

// Runs a command line and waits; true when it ended with exit code 0.
bool RunQuietly(const platform::WString& commandLine);

}  // namespace wizard

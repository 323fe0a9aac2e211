// DiskAccess: everything the USB drive preparation asks of the system about a
// disk and its volume, so that its rules run unchanged on Windows (physical
// drives, volume handles and their I/O controls, format.com, syslinux.exe),
// on Linux (whole-disk devices or image files addressed by byte offset,
// mkfs.vfat, mtools, syslinux --install) and against a fake in tests.
//
// Used by the build worker thread while a USB build runs; an implementation
// keeps no state between calls besides what the returned objects own.
#pragma once

#include <memory>
#include <span>

#include "platform/text.h"
#include "wizard/media/fat32_writer.h"
#include "wizard/media/mbr_layout.h"
#include "wizard/media/usb_disk_info.h"

namespace wizard {

// The whole disk that holds a volume, opened for reading and writing.
class Disk {
  public:
    virtual ~Disk() = default;
    virtual bool ReadGeometry(DiskGeometry& geometry) = 0;
    // The partition table in table order; an empty list for a disk without
    // one (a file system that starts at sector 0 counts as none). False when
    // it cannot be read.
    virtual bool ReadLayout(DriveLayout& layout) = 0;
    virtual bool Write(uint64_t offset, std::span<const uint8_t> bytes) = 0;
    // Makes the disk an MBR disk with an empty table and this signature.
    virtual bool InitializeMbr(uint32_t signature) = 0;
    // Writes the table (at most four entries) and has the system read it again.
    virtual bool WriteLayout(const DriveLayout& layout) = 0;
};

// The volume opened for writing, locked and dismounted; writes are relative
// to its first sector. Unlocked and closed when destroyed.
class LockedVolume : public VolumeWriter {};

class DiskAccess {
  public:
    virtual ~DiskAccess() = default;
    virtual std::unique_ptr<Disk> OpenDisk(const UsbDiskInfo& disk) = 0;
    // Null when the volume cannot be opened, locked or dismounted (in use).
    virtual std::unique_ptr<LockedVolume> LockVolume(const UsbDiskInfo& disk) = 0;
    // True when the disk the record names is still the disk discovery found
    // (the same USB disk, serial and size); otherwise why, in one line.
    virtual bool IsSameDisk(const UsbDiskInfo& disk, platform::WString& why) = 0;
    virtual bool LabelVolume(const UsbDiskInfo& disk, platform::WStringView label) = 0;
    // The system's FAT32 formatter for the volume, with the label given.
    virtual platform::WString FormatterCommandLine(const UsbDiskInfo& disk,
                                                   platform::WStringView label) = 0;
    // Copies the content of folder (files and sub-folders) into the volume's
    // root, replacing files of the same name and keeping all others.
    virtual bool CopyToVolume(const UsbDiskInfo& disk, platform::WStringView folder) = 0;
    // The boot-loader installer from the program folder, for the volume;
    // empty when the program folder holds none.
    virtual platform::WString InstallerCommandLine(const UsbDiskInfo& disk,
                                                   platform::WStringView programFolder) = 0;
    // What the installer leaves to the wizard after it ran successfully (on
    // Linux: the payload's MBR boot code and the active flag). True when done.
    virtual bool FinishBootLoader(const UsbDiskInfo& disk, platform::WStringView programFolder) = 0;
    // Whether a file exists in the volume's root folder.
    virtual bool VolumeHasFile(const UsbDiskInfo& disk, platform::WStringView name) = 0;
};

}  // namespace wizard

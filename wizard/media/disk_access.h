// DiskAccess: everything the USB drive preparation asks of the system about a
// disk and its volume, so that its rules run unchanged on Windows (physical
// drives, volume handles and their I/O controls, format.com, syslinux.exe),
// on Linux (whole-disk devices or image files addressed by byte offset,
// mkfs.vfat, mtools, syslinux --install) and against a fake in tests.
//
// The disk is reached only while its identity (UsbDiskInfo::Identity) holds:
// each step opens the disk (a Disk), which checks the identity through the
// handle it opened, writes or runs its tool through that handle, and lets it
// go. External tools get a name that reaches the held disk (Disk::ToolName).
//
// One object per build, used by its build worker thread; objects of several
// builds may run at the same time (they share nothing).
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "platform/text.h"
#include "wizard/media/fat32_writer.h"
#include "wizard/media/mbr_layout.h"
#include "wizard/media/usb_disk_info.h"

namespace wizard {

// What a step opens the disk for: writes of its own (exclusively: a mounted
// volume or another writer makes the open fail), or external tools and reads
// (shared, so that the tool can open the disk itself).
enum class DiskUse { Write, Tools };

// The whole disk that holds a volume, opened for one step.
class Disk {
  public:
    virtual ~Disk() = default;
    // True when the medium behind the handle still has the identity it was
    // opened with (and an image file is still the file at its name);
    // otherwise why, in one line.
    virtual bool IsSame(platform::WString& why) = 0;
    // The name under which an external tool reaches this very disk while the
    // object lives.
    virtual platform::WString ToolName() const = 0;
    virtual bool ReadSize(uint64_t& bytes) = 0;
    virtual bool ReadGeometry(DiskGeometry& geometry) = 0;
    // The partition table in table order; an empty list for a disk without
    // one (a file system that starts at sector 0 counts as none). False when
    // it cannot be read.
    virtual bool ReadLayout(DriveLayout& layout) = 0;
    virtual bool Read(uint64_t offset, std::span<uint8_t> bytes) = 0;
    virtual bool Write(uint64_t offset, std::span<const uint8_t> bytes) = 0;
    // Makes the disk an MBR disk with an empty table and this signature.
    virtual bool InitializeMbr(uint32_t signature) = 0;
    // Writes the table (at most four entries) and has the system read it again.
    virtual bool WriteLayout(const DriveLayout& layout) = 0;
};

// The volume opened for writing, locked and dismounted; writes are relative
// to its first sector. Unlocked and closed when destroyed.
class LockedVolume : public VolumeWriter {
  public:
    // True when the disk holding the volume has the identity given, asked
    // through the locking handle itself; otherwise why, in one line.
    virtual bool IsSame(const DiskIdentity& identity, platform::WString& why) = 0;
};

class DiskAccess {
  public:
    virtual ~DiskAccess() = default;
    // Opens the disk the record names once the opened handle shows the
    // record's identity. Null with why when it does not (the drive was
    // replaced or removed) or the disk cannot be reached; null with why empty
    // when it is there but in use, so that it cannot be opened for writing.
    virtual std::unique_ptr<Disk> OpenDisk(const UsbDiskInfo& disk, DiskUse use,
                                           platform::WString& why) = 0;
    // Null when the volume cannot be opened, locked or dismounted (in use).
    virtual std::unique_ptr<LockedVolume> LockVolume(const UsbDiskInfo& disk) = 0;
    // Unmounts every mounted volume of the held disk, one line for each in
    // unmounted. False when one stays mounted (busy), with why naming it.
    virtual bool Dismount(const Disk& held, const UsbDiskInfo& disk,
                          std::vector<platform::WString>& unmounted, platform::WString& why) = 0;
    // The first sector of the record's own volume on its disk, as the system
    // reports it now; false when it cannot be told.
    virtual bool VolumeStartSector(const UsbDiskInfo& disk, uint64_t& sector) = 0;
    virtual bool LabelVolume(const Disk& held, const UsbDiskInfo& disk,
                             platform::WStringView label) = 0;
    // The system's FAT32 formatter for the volume, with the label given.
    virtual platform::WString FormatterCommandLine(const Disk& held, const UsbDiskInfo& disk,
                                                   platform::WStringView label) = 0;
    // Copies the content of folder (files and sub-folders) into the volume's
    // root, replacing files of the same name and keeping all others.
    virtual bool CopyToVolume(const Disk& held, const UsbDiskInfo& disk,
                              platform::WStringView folder) = 0;
    // The boot-loader installer from the program folder, for the volume;
    // empty when the program folder holds none.
    virtual platform::WString InstallerCommandLine(const Disk& held, const UsbDiskInfo& disk,
                                                   platform::WStringView programFolder) = 0;
    // What the installer leaves to the wizard after it ran successfully (on
    // Linux: the payload's MBR boot code and the active flag), written
    // through held (opened for writing). True when done.
    virtual bool FinishBootLoader(Disk& held, const UsbDiskInfo& disk,
                                  platform::WStringView programFolder) = 0;
    // Whether a file exists in the volume's root folder.
    virtual bool VolumeHasFile(Disk& held, const UsbDiskInfo& disk, platform::WStringView name) = 0;
};

}  // namespace wizard

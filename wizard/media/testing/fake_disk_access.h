// FakeDiskAccess: a disk in memory (sparse, so terabyte disks cost nothing)
// for the USB drive preparation's tests. The formatter and the installer are
// the stand-in child program (platform/testing/child_main.cpp), so the
// builder's process handling runs for real; the volume's files live in a
// folder. Test thread and build worker thread, one at a time.
#pragma once

#include <map>
#include <mutex>

#include "wizard/media/disk_access.h"

namespace wizard::testing {

class FakeDiskAccess : public DiskAccess {
  public:
    // filesFolder: where the volume's root folder is kept; childProgram: the
    // stand-in tool's path.
    FakeDiskAccess(uint64_t diskBytes, platform::WString filesFolder,
                   platform::WString childProgram);

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

    // One identity check (opening the disk, asking a held disk or the
    // locking handle): false from check replacedAtCheck on.
    bool Check(platform::WString& why);
    // The disk's bytes (zeros where nothing was written).
    void Read(uint64_t offset, uint8_t* bytes, size_t length) const;
    void WriteBytes(uint64_t offset, const uint8_t* bytes, size_t length);
    bool Untouched() const { return writes == 0; }

    uint64_t diskBytes;
    platform::WString filesFolder;  // the volume's root
    platform::WString childProgram;
    // What the system would do.
    bool failOpen = false, failLock = false, failLayoutWrite = false, sameDisk = true;
    int replacedAtCheck = -1;  // the identity check (0-based) from which the disk is another
    size_t volumeSlot = 0;     // the partition slot of the record's volume
    int formatterExit = 0;
    int installerExit = 0;
    bool installerPresent = true;
    bool installerWritesLdlinux = true;
    // What happened.
    int writes = 0;
    int identityChecks = 0;
    // Dismounts, locks, writes, tool runs, copies, labels and boot code that
    // reached the disk after it was replaced: each one a fault.
    int actsOnReplaced = 0;
    int formatterRuns = 0;
    platform::WString label;
    platform::WString formatterLog;  // the stand-in formatter's arguments land here

  private:
    friend class FakeDisk;
    friend class FakeVolume;
    mutable std::mutex mutex_;
    std::map<uint64_t, MbrSector> sectors_;
};

}  // namespace wizard::testing

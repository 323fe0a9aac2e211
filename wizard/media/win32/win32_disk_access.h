// Win32DiskAccess: DiskAccess over the physical drive ("\\.\PhysicalDrive<n>":
// geometry, drive layout, MBR initialisation, layout writes), the volume
// (lock, dismount, sector writes, label) and the drive letter (format.com from
// the system folder, the copies, syslinux.exe from the program folder).
// The identity (drive number, bus, serial, size) is asked through the handle
// each step holds: the physical drive's, or the one that locked the volume
// (no other handle reaches a locked volume). The tools reach the volume by its
// drive letter, so the held physical drive is checked again after each.
// Build worker thread.
#pragma once

#include "wizard/media/disk_access.h"

namespace wizard {

class Win32DiskAccess : public DiskAccess {
  public:
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
};

}  // namespace wizard

// Win32DiskAccess: DiskAccess over the physical drive ("\\.\PhysicalDrive<n>":
// geometry, drive layout, MBR initialisation, layout writes), the volume
// (lock, dismount, sector writes, label) and the drive letter (format.com from
// the system folder, the copies, syslinux.exe from the program folder).
// Build worker thread.
#pragma once

#include "wizard/media/disk_access.h"

namespace wizard {

class Win32DiskAccess : public DiskAccess {
  public:
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
};

}  // namespace wizard

#include "wizard/media/system_disks.h"

#include "wizard/media/linux/linux_disk_access.h"
#include "wizard/media/linux/usb_discovery.h"

namespace wizard {

std::unique_ptr<DiskAccess> MakeSystemDiskAccess() {
    return std::make_unique<LinuxDiskAccess>();
}

bool RefreshSystemUsbDisks(UsbDiskList& disks) {
    std::vector<std::string> unreadable;
    return RefreshUsbDisks(LinuxRoots{}, disks, unreadable);
}

}  // namespace wizard

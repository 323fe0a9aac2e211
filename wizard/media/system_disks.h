// The platform's disk access and USB disk discovery, as the program uses
// them (the wizard's USB drive page and its USB build). Win32 and Linux
// implementations; tests use their own DiskAccess and discovery roots.
// Interface thread (discovery) and build worker thread (disk access).
#pragma once

#include <memory>

#include "wizard/media/disk_access.h"
#include "wizard/media/usb_disk_info.h"

namespace wizard {

std::unique_ptr<DiskAccess> MakeSystemDiskAccess();

// Rebuilds disks from the removable USB disks present now; false when the
// volumes cannot be enumerated (the list is then empty).
bool RefreshSystemUsbDisks(UsbDiskList& disks);

}  // namespace wizard

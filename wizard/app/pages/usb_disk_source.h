// UsbDiskSource: where the USB drive page gets its candidate drives from.
// USB disk discovery implements it on each platform; tests use a fake.
// Interface thread only.
#pragma once

#include "wizard/media/system_disks.h"
#include "wizard/media/usb_disk_info.h"

namespace wizard::pages {

class UsbDiskSource {
  public:
    virtual ~UsbDiskSource() = default;
    // Rebuilds `disks` from the drives present now; false when they cannot be
    // listed (the list is then empty).
    virtual bool Refresh(UsbDiskList& disks) = 0;
    // Why this source can never list drives (a platform without USB disk
    // discovery); empty when it can.
    virtual platform::WString UnavailableReason() const { return {}; }
};

// The program's source: USB disk discovery of the running system.
class SystemUsbDiskSource : public UsbDiskSource {
  public:
    bool Refresh(UsbDiskList& disks) override { return RefreshSystemUsbDisks(disks); }
};

// The source of a build without USB disk discovery: lists nothing and says why.
class UnavailableUsbDiskSource : public UsbDiskSource {
  public:
    bool Refresh(UsbDiskList& disks) override {
        disks.clear();
        return false;
    }
    platform::WString UnavailableReason() const override {
        return u"This version of the wizard cannot list USB drives. Please create an ISO image "
               u"instead.";
    }
};

}  // namespace wizard::pages

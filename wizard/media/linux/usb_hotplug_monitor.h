// UsbHotplugMonitor: tells when block devices arrive, go or change, so that a
// drive list can be refreshed as the Windows page does on device-change
// notifications. A libudev monitor of the block subsystem: the udev daemon's
// events where one runs, the kernel's own otherwise (containers, rescue
// systems). Owned and polled by one thread.
#pragma once

#include <memory>

struct udev;
struct udev_monitor;

namespace wizard {

class UsbHotplugMonitor {
  public:
    UsbHotplugMonitor();
    ~UsbHotplugMonitor();
    UsbHotplugMonitor(const UsbHotplugMonitor&) = delete;
    UsbHotplugMonitor& operator=(const UsbHotplugMonitor&) = delete;

    // False when no monitor could be set up (the list then refreshes only on demand).
    bool IsOpen() const { return monitor_ != nullptr; }
    // Waits up to timeoutMs for events and takes all that are pending; true
    // when a block device was added, removed or changed.
    bool WaitForChange(int timeoutMs);

  private:
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};

}  // namespace wizard

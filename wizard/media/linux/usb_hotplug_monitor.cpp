#include "wizard/media/linux/usb_hotplug_monitor.h"

#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>

namespace wizard {

UsbHotplugMonitor::UsbHotplugMonitor() : udev_(udev_new()) {
    if (udev_ == nullptr)
        return;
    // The udev daemon's events carry the finished device database; without a
    // daemon only the kernel's are sent.
    const bool daemon = access("/run/udev/control", F_OK) == 0;
    monitor_ = udev_monitor_new_from_netlink(udev_, daemon ? "udev" : "kernel");
    if (monitor_ == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "block", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        if (monitor_ != nullptr)
            udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
}

UsbHotplugMonitor::~UsbHotplugMonitor() {
    if (monitor_ != nullptr)
        udev_monitor_unref(monitor_);
    if (udev_ != nullptr)
        udev_unref(udev_);
}

bool UsbHotplugMonitor::WaitForChange(int timeoutMs) {
    if (monitor_ == nullptr)
        return false;
    pollfd fd{udev_monitor_get_fd(monitor_), POLLIN, 0};
    bool changed = false;
    int wait = timeoutMs;
    while (poll(&fd, 1, wait) > 0 && (fd.revents & POLLIN) != 0) {
        udev_device* device = udev_monitor_receive_device(monitor_);
        if (device == nullptr)
            break;
        const char* action = udev_device_get_action(device);
        if (action != nullptr &&
            (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0 ||
             std::strcmp(action, "change") == 0))
            changed = true;
        udev_device_unref(device);
        wait = 0;  // take what is pending, then report
    }
    return changed;
}

}  // namespace wizard

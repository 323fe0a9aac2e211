#include "wizard/media/linux/usb_hotplug_monitor.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"

namespace wizard {
namespace {

using qo::test::Shell;

// A loop device attached and detached is a block device arriving and going:
// the monitor reports it (the kernel's events, with or without a udev daemon).
TEST(UsbHotplugMonitor, ReportsABlockDeviceThatArrivesAndGoes) {
    if (geteuid() != 0 || access("/dev/loop-control", W_OK) != 0)
        GTEST_SKIP() << "attaching a loop device needs root and /dev/loop-control";
    UsbHotplugMonitor monitor;
    ASSERT_TRUE(monitor.IsOpen());
    EXPECT_FALSE(monitor.WaitForChange(0)) << "nothing happened yet";
    qo::test::ScratchFolder scratch;
    const std::string image = platform::ToUtf8(scratch / u"disk.img");
    ASSERT_EQ(Shell("truncate -s 8M '" + image + "'"), "");
    std::string device = Shell("losetup -f --show '" + image + "'");
    ASSERT_EQ(device.rfind("/dev/loop", 0), 0u) << device;
    device.pop_back();  // the newline
    // Generous deadline: the event is usually there at once.
    bool seen = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!seen && std::chrono::steady_clock::now() < deadline)
        seen = monitor.WaitForChange(1000);
    EXPECT_TRUE(seen) << "no event for " << device;
    ASSERT_EQ(Shell("losetup -d " + device), "");
    seen = false;
    while (!seen && std::chrono::steady_clock::now() < deadline)
        seen = monitor.WaitForChange(1000);
    EXPECT_TRUE(seen) << "no event when " << device << " went";
}

}  // namespace
}  // namespace wizard

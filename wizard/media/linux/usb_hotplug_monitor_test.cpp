#include "wizard/media/linux/usb_hotplug_monitor.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "testsupport/scratch_folder.h"

namespace wizard {
namespace {

std::string Shell(const std::string& command) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[512];
    size_t n;
    while (pipe != nullptr && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    const int status = pipe == nullptr ? -1 : pclose(pipe);
    return status == 0 ? output : "exit " + std::to_string(status) + ": " + output;
}

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

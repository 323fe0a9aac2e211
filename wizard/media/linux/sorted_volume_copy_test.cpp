#include "wizard/media/linux/sorted_volume_copy.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"
#include "wizard/media/linux/linux_disk_access.h"
#include "wizard/media/linux/usb_discovery.h"

namespace wizard {
namespace {

using qo::test::ShellPath;

// mtools lists directory entries in the order they were made: every folder
// holds its entries in name order, whatever order the staging folder's file
// system gives, and a second copy (a drive that is only updated) works too.
TEST(SortedVolumeCopy, EntriesAreMadeInNameOrderAndCopiesRepeat) {
    qo::test::ScratchFolder scratch;
    const platform::WString stage = scratch / u"stage";
    for (const char16_t* name : {u"tmp/schemes/a.sch", u"tmp/schemes/b.sch", u"tmp/schemes/c.sch",
                                 u"tmp/schemes/d.sch", u"tmp/schemes/e.sch", u"tmp/schemes/f.sch",
                                 u"tmp/policy.cfg", u"vmlinuz", u"EFI/BOOT/BOOTX64.EFI"})
        scratch.Write(platform::JoinPath(u"stage", name), "x");
    const std::string image = ShellPath(scratch / u"disk.img");
    ASSERT_EQ(qo::test::Shell("mkfs.fat -C -F 32 " + image + " 40000 >/dev/null"), "");
    UsbDiskInfo disk;
    std::string error;
    ASSERT_TRUE(OpenUsbTarget({}, platform::ToUtf8(scratch / u"disk.img"), false, disk, error))
        << error;
    LinuxDiskAccess access;
    platform::WString why;
    const std::unique_ptr<Disk> held = access.OpenDisk(disk, DiskUse::Tools, why);
    ASSERT_TRUE(held) << platform::ToUtf8(why);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(access.CopyToVolume(*held, disk, stage)) << round;
        EXPECT_EQ(qo::test::Shell("mdir -/ -b -i " + image + " ::/"),
                  "::/EFI/\n::/tmp/\n::/vmlinuz\n::/EFI/BOOT/\n::/EFI/BOOT/BOOTX64.EFI\n"
                  "::/tmp/schemes/\n::/tmp/policy.cfg\n::/tmp/schemes/a.sch\n::/tmp/schemes/b.sch\n"
                  "::/tmp/schemes/c.sch\n::/tmp/schemes/d.sch\n::/tmp/schemes/e.sch\n"
                  "::/tmp/schemes/f.sch\n");
    }
}

}  // namespace
}  // namespace wizard

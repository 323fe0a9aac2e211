#include "wizard/media/win32/win32_disk_access.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/files.h"
#include "platform/win32/wide.h"
#include "testsupport/scratch_folder.h"
#include "wizard/media/testing/fake_disk_access.h"
#include "wizard/media/win32/usb_discovery_win32.h"

namespace wizard {
namespace {

using platform::WString;

TEST(Win32DiskAccess, ToolsComeFromTheSystemAndProgramFoldersForTheDriveLetter) {
    qo::test::ScratchFolder program;
    Win32DiskAccess access;
    UsbDiskInfo disk;
    disk.DriveLetterIndex = 4;  // E:
    // The tools reach the volume by its drive letter, whatever disk is held.
    testing::FakeDiskAccess fake(1 << 20, program / u"fake", u"");
    WString why;
    const std::unique_ptr<Disk> held = fake.OpenDisk(disk, DiskUse::Tools, why);
    ASSERT_TRUE(held);
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    EXPECT_EQ(access.FormatterCommandLine(*held, disk, u"QUELIX_OMS"),
              u"\"" + platform::JoinPath(platform::FromWide(system), u"format.com") +
                  u"\" E: /Q /Y /X /FS:FAT32 /V:QUELIX_OMS");
    EXPECT_EQ(access.InstallerCommandLine(*held, disk, program.Path()), u"") << "no installer";
    program.Write(u"common/syslinux.exe", "MZ");
    EXPECT_EQ(access.InstallerCommandLine(*held, disk, program.Path()),
              u"\"" + (program / u"common\\syslinux.exe") + u"\" -m -a E:");
    program.Write(u"flash/syslinux.exe", "MZ");
    EXPECT_EQ(access.InstallerCommandLine(*held, disk, program.Path()),
              u"\"" + (program / u"flash\\syslinux.exe") + u"\" -m -a E:");
    // Without a drive letter there is nothing to format, copy to or run on.
    disk.DriveLetterIndex = -1;
    EXPECT_EQ(access.FormatterCommandLine(*held, disk, u"QUELIX_OMS"), u"");
    EXPECT_EQ(access.InstallerCommandLine(*held, disk, program.Path()), u"");
    EXPECT_FALSE(access.CopyToVolume(*held, disk, program.Path()));
    EXPECT_FALSE(access.VolumeHasFile(*held, disk, u"ldlinux.sys"));
}

TEST(Win32DiskAccess, AVolumeThatIsNotThereIsNeitherLockedNorTakenForTheSameDisk) {
    Win32DiskAccess access;
    UsbDiskInfo disk;
    disk.VolumePath = u"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}";
    disk.PhysicalDriveNumber = 7;
    EXPECT_FALSE(access.LockVolume(disk));
    WString why;
    EXPECT_FALSE(access.OpenDisk(disk, DiskUse::Tools, why));
    EXPECT_NE(why.find(u"replaced or removed"), WString::npos);
    uint64_t start = 0;
    EXPECT_FALSE(access.VolumeStartSector(disk, start));
    disk.PhysicalDriveNumber = -1;
    EXPECT_FALSE(access.OpenDisk(disk, DiskUse::Write, why));
}

// The system volume is fixed, not a removable USB disk: never listed.
TEST(Win32UsbDiscovery, TheSystemVolumeIsNotACandidate) {
    wchar_t name[MAX_PATH] = {};
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    const wchar_t root[] = {windows[0], L':', L'\\', 0};
    ASSERT_TRUE(GetVolumeNameForVolumeMountPointW(root, name, MAX_PATH));
    UsbDiskList disks;
    ASSERT_TRUE(RefreshUsbDisks(disks));
    WString system = platform::FromWide(name);
    system.pop_back();  // the trailing backslash
    for (const UsbDiskInfo& d : disks)
        EXPECT_NE(d.VolumePath, system);
    EXPECT_FALSE(IsUsbVolume(platform::FromWide(name)) && GetDriveTypeW(name) == DRIVE_REMOVABLE);
}

}  // namespace
}  // namespace wizard

#include "wizard/media/usb_disk_status.h"

#include <gtest/gtest.h>

namespace wizard {
namespace {

TEST(UsbDiskStatus, SizeTexts) {
    struct Case {
        uint32_t spc, bps;
        uint64_t clusters;
        const char* text;
    } cases[] = {
        {2, 512, 1000, "1000 KB"},
        {2, 512, 1023, "1023 KB"},
        {2, 512, 1024, "1.0 MB"},
        {2, 512, 1536, "1.5 MB"},
        {64, 512, 262144, "8.00 GB"},
        {8, 512, 2097152, "8.00 GB"},
        {64, 512, 0, "0 KB"},
        {1, 512, 1, "0 KB"},
        {64, 512, 67092480, "2047.50 GB"},  // 2 TiB: no wrap
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::ToUtf8(SizeText(c.spc, c.bps, c.clusters)), c.text) << c.clusters;
}

TEST(UsbDiskStatus, FormatNeedPrecedence) {
    struct Case {
        const char16_t* fs;
        uint64_t freeKB;
        bool table;
        int need;
    } cases[] = {
        {u"FAT32", 20000, true, 0}, {u"fat", 20000, true, 0},    {u"FAT32", 15000, true, 0},
        {u"FAT32", 14999, true, 2}, {u"NTFS", 20000, true, 1},   {u"NTFS", 10, true, 1},
        {u"", 20000, true, 1},      {u"FAT32", 20000, false, 3}, {u"NTFS", 10, false, 3},
        {u"vfat", 20000, true, 1},
    };
    for (const Case& c : cases) {
        VolumeFacts f;
        f.FileSystem = c.fs;
        f.SectorsPerCluster = 2;
        f.BytesPerSector = 512;
        f.TotalClusters = 100000;
        f.FreeClusters = c.freeKB;
        f.HasPartitionTable = c.table;
        const UsbDiskInfo d = MakeUsbDiskInfo(f);
        EXPECT_EQ(d.FormatNeed, c.need) << platform::ToUtf8(c.fs) << " " << c.freeKB;
        EXPECT_EQ(d.FreeKB, c.freeKB);
        EXPECT_EQ(d.TotalKB, 100000u);
    }
}

TEST(UsbDiskStatus, SizesOfLargeVolumesDoNotWrap) {
    VolumeFacts f;
    f.FileSystem = u"FAT32";
    f.SectorsPerCluster = 64;
    f.BytesPerSector = 512;
    f.TotalClusters = 200000000;  // 6 TiB
    f.FreeClusters = 200000000;
    f.HasPartitionTable = true;
    const UsbDiskInfo d = MakeUsbDiskInfo(f);
    EXPECT_EQ(d.VolumeBytes, 200000000ull * 32768);
    EXPECT_EQ(d.TotalKB, 0xFFFFFFFFu);
    EXPECT_EQ(d.FormatNeed, 0);
}

TEST(UsbDiskStatus, BootableNeedsAPlaceToLookIn) {
    VolumeFacts f;
    f.IsBootable = true;
    EXPECT_FALSE(MakeUsbDiskInfo(f).IsBootable);  // no letter, no device
    f.DriveLetterIndex = 4;
    EXPECT_TRUE(MakeUsbDiskInfo(f).IsBootable);
    f.DriveLetterIndex = -1;
    f.DevicePath = u"/dev/sdb";
    EXPECT_TRUE(MakeUsbDiskInfo(f).IsBootable);
}

}  // namespace
}  // namespace wizard

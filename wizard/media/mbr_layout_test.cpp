#include "wizard/media/mbr_layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"

namespace wizard {
namespace {

TEST(NewPartitionEntry, SecondTrackToTheLastWholeCylinder) {
    const uint64_t cylinder = 255ull * 63 * 512;
    struct Case {
        DiskGeometry geometry;
        bool ok;
        uint64_t length;
    } cases[] = {
        {ImageGeometry(64ull << 20), true, 8 * cylinder - 32256},   // 64 MiB: 8 cylinders
        {ImageGeometry(cylinder - 512), false, 0},                  // no whole cylinder
        {ImageGeometry(cylinder + 32256), true, cylinder - 32256},  // one whole cylinder
        {ImageGeometry(2 * cylinder), true, 2 * cylinder - 32256},  // two
        {{1000, 16, 32, 512}, true, 1000ull * 16 * 32 * 512 - 16384},
        // A 2 TiB disk's whole cylinders end just below 2 TiB; 3 TiB cannot be described.
        {ImageGeometry(uint64_t{2} << 40), true, 267349ull * cylinder - 32256},
        {ImageGeometry(uint64_t{3} << 40), false, 0},
        {{1000, 255, 63, 4096}, false, 0},  // 4 KiB sectors: not a 512-byte MBR disk
        {{~0ull, 255, 63, 512}, false, 0},  // a geometry that would wrap
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.geometry.Cylinders);
        PartitionEntry e;
        ASSERT_EQ(NewPartitionEntry(c.geometry, true, e), c.ok);
        if (!c.ok)
            continue;
        EXPECT_EQ(e.StartingOffset, uint64_t{c.geometry.SectorsPerTrack} * 512);
        EXPECT_EQ(e.Length, c.length);
        EXPECT_EQ(e.HiddenSectors, c.geometry.SectorsPerTrack);
        EXPECT_EQ(e.Type, 0x0B);
        EXPECT_TRUE(e.BootIndicator);
    }
}

TEST(Mbr, RoundTripKeepsBootCodeAndRejectsWhatIsNoTable) {
    PartitionEntry e;
    ASSERT_TRUE(NewPartitionEntry(ImageGeometry(64ull << 20), true, e));
    DriveLayout layout{0xDEADBEEF, {e, {}, {}, {}}};
    MbrSector sector{};
    sector[0] = 0xFA;  // boot code stays
    ASSERT_TRUE(EncodeMbr(layout, sector));
    EXPECT_EQ(sector[0], 0xFA);
    EXPECT_EQ(sector[446], 0x80);
    EXPECT_EQ(sector[450], 0x0B);
    // CHS of sector 63 with 255/63: head 1, sector 1, cylinder 0.
    EXPECT_EQ(sector[447], 1);
    EXPECT_EQ(sector[448], 1);
    EXPECT_EQ(sector[449], 0);
    DriveLayout read;
    ASSERT_TRUE(DecodeMbr(sector, 64ull << 20, read));
    EXPECT_EQ(read.Signature, 0xDEADBEEFu);
    ASSERT_EQ(read.Partitions.size(), 4u);
    EXPECT_EQ(read.Partitions[0].StartingOffset, 32256u);
    EXPECT_EQ(read.Partitions[0].Length, e.Length);
    EXPECT_EQ(read.Partitions[1].Length, 0u);

    struct Bad {
        const char* why;
        size_t at;
        uint8_t value;
        uint64_t diskBytes;
    } bad[] = {
        {"no signature", 510, 0x00, 64ull << 20},
        {"bad boot flag", 446, 0x81, 64ull << 20},
        {"beyond the disk", 0, 0xFA, 1ull << 20},
        {"a FAT boot sector at sector 0", 0, 0xEB, 64ull << 20},
    };
    for (const Bad& b : bad) {
        MbrSector copy = sector;
        copy[b.at] = b.value;
        if (b.value == 0xEB) {
            copy[2] = 0x90;
            std::memcpy(copy.data() + 82, "FAT32   ", 8);
        }
        EXPECT_FALSE(DecodeMbr(copy, b.diskBytes, read)) << b.why;
    }
    DriveLayout tooMany{1, {e, e, e, e, e}};
    EXPECT_FALSE(EncodeMbr(tooMany, sector));
    PartitionEntry huge = e;
    huge.Length = kMbrLimitBytes;
    EXPECT_FALSE(EncodeMbr(DriveLayout{1, {huge}}, sector));
}

#ifndef _WIN32
using qo::test::Shell;

std::string FirstSector(const std::string& path) {
    std::string sector(512, '\0');
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr || std::fread(sector.data(), 1, 512, f) != 512)
        ADD_FAILURE() << "cannot read " << path;
    if (f != nullptr)
        std::fclose(f);
    return sector;
}

// sfdisk reads the table we write; we read the table sfdisk writes; a volume
// formatted without a table (mkfs.vfat on the whole disk) is no table.
TEST(Mbr, RealPartitioningToolsAgree) {
    qo::test::ScratchFolder scratch;
    const uint64_t size = 64ull << 20;
    PartitionEntry e;
    ASSERT_TRUE(NewPartitionEntry(ImageGeometry(size), true, e));
    MbrSector ours{};
    ASSERT_TRUE(EncodeMbr(DriveLayout{0x1234ABCD, {e, {}, {}, {}}}, ours));
    const std::string image = platform::ToUtf8(
        scratch.Write(u"ours.img", std::string(reinterpret_cast<const char*>(ours.data()), 512)));
    ASSERT_EQ(Shell("truncate -s " + std::to_string(size) + " '" + image + "'"), "");
    const std::string dump = Shell("sfdisk -d '" + image + "'");
    EXPECT_NE(dump.find("label-id: 0x1234abcd"), std::string::npos) << dump;
    EXPECT_NE(dump.find("start=          63, size=      " + std::to_string(e.Length / 512) +
                        ", type=b, bootable"),
              std::string::npos)
        << dump;

    const std::string theirs = platform::ToUtf8(scratch / u"theirs.img");
    ASSERT_EQ(Shell("truncate -s " + std::to_string(size) + " '" + theirs + "'"), "");
    ASSERT_NE(Shell("echo 'start=2048, size=100000, type=c' | sfdisk -q '" + theirs + "'")
                  .rfind("exit", 0),
              0u);
    const std::string head = FirstSector(theirs);
    DriveLayout read;
    ASSERT_TRUE(
        DecodeMbr(std::span(reinterpret_cast<const uint8_t*>(head.data()), 512), size, read));
    EXPECT_EQ(read.Partitions[0].StartingOffset, 2048u * 512);
    EXPECT_EQ(read.Partitions[0].Length, 100000u * 512);
    EXPECT_EQ(read.Partitions[0].Type, 0x0C);

    const std::string floppy = platform::ToUtf8(scratch / u"floppy.img");
    ASSERT_EQ(Shell("mkfs.vfat -F 32 -C '" + floppy + "' 65536 >/dev/null"), "");
    const std::string boot = FirstSector(floppy);
    EXPECT_FALSE(
        DecodeMbr(std::span(reinterpret_cast<const uint8_t*>(boot.data()), 512), size, read));
}
#endif

}  // namespace
}  // namespace wizard

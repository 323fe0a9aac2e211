#include "wizard/media/fat32_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"

namespace wizard {
namespace {

uint32_t Le(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

// Records every write; fails the write numbered failAt (0-based) when set.
class RecordingVolume : public VolumeWriter {
  public:
    bool WriteSectors(uint64_t firstSector, std::span<const uint8_t> bytes) override {
        if (writes.size() == failAt)
            return false;
        writes.push_back({firstSector, std::vector<uint8_t>(bytes.begin(), bytes.end())});
        return true;
    }
    struct Write {
        uint64_t sector;
        std::vector<uint8_t> bytes;
    };
    std::vector<Write> writes;
    size_t failAt = SIZE_MAX;
};

TEST(Fat32Layout, SizesAndLimits) {
    struct Case {
        uint64_t sectors;
        bool ok;
        uint32_t fat, free;
    } cases[] = {
        {125000000, true, 15257, 1952646},
        {83886080, true, 10239, 1310398},         // 40 GiB
        {0xFFFFFFFFull, true, 524225, 67092480},  // the largest 32-bit count
        {0x100000000ull, false, 0, 0},            // 2 TiB: a wrapped count would follow
        {0, false, 0, 0},
        {4194304, false, 0, 0},  // 2 GiB: too few clusters for FAT32
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sectors);
        Fat32Layout layout;
        ASSERT_EQ(ComputeFat32Layout(c.sectors, layout), c.ok);
        if (!c.ok)
            continue;
        EXPECT_EQ(layout.FatSectors, c.fat);
        EXPECT_EQ(layout.FreeClusters, c.free);
        EXPECT_EQ(layout.ZeroBlocks, (2 * c.fat + 32 + 64) / 64 + 1);
    }
}

TEST(Fat32Layout, BootAreaFieldsByteForByte) {
    Fat32Layout layout;
    ASSERT_TRUE(ComputeFat32Layout(125000000, layout));
    const Fat32BootArea area = Fat32BootSectors(layout, 2048, 0x12345678);
    const uint8_t* b = area.data();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b), 11), "\xEB\x58\x90MSWIN4.1");
    struct Field {
        int offset, size;
        uint32_t value;
    } fields[] = {
        {11, 2, 512},
        {13, 1, 64},
        {14, 2, 32},
        {16, 1, 2},
        {17, 2, 0},
        {19, 2, 0},
        {21, 1, 0xF8},
        {22, 2, 0},
        {24, 2, 63},
        {26, 2, 255},
        {28, 4, 2048},
        {32, 4, 125000000},
        {36, 4, 15257},
        {40, 2, 0},
        {42, 2, 0},
        {44, 4, 2},
        {48, 2, 1},
        {50, 2, 6},
        {64, 1, 0x80},
        {65, 1, 0},
        {66, 1, 0x29},
        {67, 4, 0x12345678},
        {510, 2, 0xAA55},
        // FSInfo
        {512, 4, 0x41615252},
        {512 + 484, 4, 0x61417272},
        {512 + 488, 4, 1952646},
        {512 + 492, 4, 3},
        {512 + 508, 4, 0xAA550000},
        // sector 2
        {1024 + 510, 2, 0xAA55},
    };
    for (const Field& f : fields)
        EXPECT_EQ(Le(b + f.offset, f.size), f.value) << "offset " << f.offset;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 71), 11), "NO NAME    ");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 82), 8), "FAT32   ");
    for (int i = 90; i < 510; ++i)
        ASSERT_EQ(b[i], 0) << "boot code byte " << i;
    for (int i = 1024; i < 1534; ++i)
        ASSERT_EQ(b[i], 0) << "sector 2 byte " << i - 1024;
    // Sectors 6-8 are copies of 0-2.
    EXPECT_TRUE(std::equal(area.begin(), area.begin() + 1536, area.begin() + 1536));
    const MbrSector fat = Fat32FirstFatSector();
    const std::vector<uint8_t> head(fat.begin(), fat.begin() + 12);
    EXPECT_EQ(head, (std::vector<uint8_t>{0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                          0xFF, 0xFF, 0x0F}));
}

TEST(WriteFat32, ClearsTheStartThenWritesSectorsAndFailsOnAnyFailedWrite) {
    const uint64_t s = 125000000;
    RecordingVolume volume;
    ASSERT_TRUE(WriteFat32(volume, s, 63, 1));
    Fat32Layout layout;
    ASSERT_TRUE(ComputeFat32Layout(s, layout));
    // Zeros first, covering the reserved sectors, both FATs and the root cluster.
    uint64_t cleared = 0;
    size_t i = 0;
    for (; i < volume.writes.size() && volume.writes[i].sector == cleared; ++i) {
        const auto& w = volume.writes[i];
        ASSERT_TRUE(std::all_of(w.bytes.begin(), w.bytes.end(), [](uint8_t b) { return b == 0; }));
        cleared += w.bytes.size() / 512;
    }
    EXPECT_EQ(i, layout.ZeroBlocks);
    EXPECT_GE(cleared, 32 + 2 * uint64_t{layout.FatSectors} + 64);
    ASSERT_EQ(volume.writes.size(), i + 4);
    EXPECT_EQ(volume.writes[i].sector, 0u);
    EXPECT_EQ(volume.writes[i + 1].sector, 6u);
    EXPECT_EQ(volume.writes[i + 2].sector, 32u);
    EXPECT_EQ(volume.writes[i + 3].sector, 32u + 15257);
    EXPECT_EQ(Le(volume.writes[i].bytes.data() + 28, 4), 63u);

    for (size_t failAt : {size_t{0}, size_t{5}, i, i + 3}) {
        RecordingVolume failing;
        failing.failAt = failAt;
        EXPECT_FALSE(WriteFat32(failing, s, 63, 1)) << "write " << failAt;
    }
    RecordingVolume untouched;
    EXPECT_FALSE(WriteFat32(untouched, 0x100000000ull, 63, 1));
    EXPECT_TRUE(untouched.writes.empty());
}

#ifndef _WIN32
// A volume in a (sparse) file at a byte offset.
class FileVolume : public VolumeWriter {
  public:
    FileVolume(const std::string& path, uint64_t offset)
        : out_(path, std::ios::binary | std::ios::in | std::ios::out), offset_(offset) {}
    bool WriteSectors(uint64_t firstSector, std::span<const uint8_t> bytes) override {
        out_.seekp(static_cast<std::streamoff>(offset_ + firstSector * 512));
        out_.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        out_.flush();
        return out_.good();
    }

  private:
    std::fstream out_;
    uint64_t offset_;
};

using qo::test::Shell;

// A 40 GiB sparse disk image: a partition table with the new partition entry
// and our file system in that partition, as fsck.fat and mtools see them.
TEST(WriteFat32, FortyGibVolumePassesFsckAndMtools) {
    qo::test::ScratchFolder scratch;
    const std::string disk = platform::ToUtf8(scratch / u"disk.img");
    const uint64_t diskBytes = uint64_t{40} << 30;
    ASSERT_EQ(Shell("truncate -s " + std::to_string(diskBytes) + " '" + disk + "'"), "");
    PartitionEntry entry;
    ASSERT_TRUE(NewPartitionEntry(ImageGeometry(diskBytes), true, entry));
    DriveLayout layout;
    layout.Signature = 0xCAFE;
    layout.Partitions = {entry, {}, {}, {}};
    MbrSector mbr{};
    ASSERT_TRUE(EncodeMbr(layout, mbr));
    {
        FileVolume whole(disk, 0);
        ASSERT_TRUE(whole.WriteSectors(0, mbr));
        FileVolume volume(disk, entry.StartingOffset);
        ASSERT_TRUE(WriteFat32(volume, entry.Length / 512, entry.HiddenSectors, 0x2A2A));
    }
    const std::string image = "'" + disk + "'@@" + std::to_string(entry.StartingOffset);
    const std::string info = Shell("minfo -i " + image + " ::");
    EXPECT_NE(info.find("hidden sectors: 63"), std::string::npos) << info;
    EXPECT_NE(info.find("big size: " + std::to_string(entry.Length / 512) + " sectors"),
              std::string::npos)
        << info;
    EXPECT_NE(info.find("cluster size: 64 sectors"), std::string::npos) << info;
    // A file written by mtools reads back, and the volume then still checks clean.
    const std::string file = platform::ToUtf8(scratch.Write(u"hello.txt", "hello"));
    EXPECT_EQ(Shell("mcopy -i " + image + " '" + file + "' ::/HELLO.TXT"), "");
    const std::string listing = Shell("mdir -i " + image + " ::/");
    EXPECT_NE(listing.find("HELLO    TXT"), std::string::npos) << listing;
    EXPECT_EQ(Shell("mtype -i " + image + " ::/HELLO.TXT"), "hello");
    // fsck.fat has no offset: the partition is cut out. Everything past its
    // first 64 MiB is a hole, so the copy takes that much and is extended.
    const std::string part = platform::ToUtf8(scratch / u"part.img");
    ASSERT_EQ(Shell("dd if='" + disk + "' of='" + part + "' bs=512 skip=" +
                    std::to_string(entry.StartingOffset / 512) + " count=131072 status=none"),
              "");
    ASSERT_EQ(Shell("truncate -s " + std::to_string(entry.Length) + " '" + part + "'"), "");
    const std::string fsck = Shell("fsck.fat -n '" + part + "'");
    EXPECT_EQ(fsck.find("exit"), std::string::npos) << fsck;
    EXPECT_EQ(fsck.find("differences"), std::string::npos) << fsck;
}
#endif

}  // namespace
}  // namespace wizard

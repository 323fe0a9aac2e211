#include "wizard/media/fat_volume_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"
#include "wizard/media/fat32_writer.h"

namespace wizard {
namespace {

TEST(FatVolumeReader, RejectsBootSectorsItCannotTrust) {
    Fat32Layout layout;
    ASSERT_TRUE(ComputeFat32Layout(125000000, layout));
    const Fat32BootArea area = Fat32BootSectors(layout, 63, 1);
    std::vector<uint8_t> good(area.begin(), area.begin() + 512);
    FatVolume v;
    ASSERT_TRUE(ParseFatBootSector(good, v));
    EXPECT_EQ(v.FatBits, 32);
    EXPECT_EQ(platform::ToUtf8(v.FileSystem), "FAT32");
    EXPECT_EQ(v.Label, u"");  // "NO NAME"
    EXPECT_EQ(v.TotalClusters, layout.FreeClusters + 1u);
    struct Bad {
        const char* why;
        size_t at;
        uint8_t value;
    } bad[] = {
        {"no jump", 0, 0x00},        {"sector size 0", 12, 0x00}, {"sector size 768", 12, 0x03},
        {"cluster size 3", 13, 3},   {"no reserved", 14, 0},      {"no FAT", 16, 0},
        {"FAT too small", 37, 0x00}, {"no sectors", 35, 0},
    };
    for (const Bad& b : bad) {
        std::vector<uint8_t> copy = good;
        copy[b.at] = b.value;
        if (b.at == 14)
            copy[15] = 0;
        if (b.at == 35)
            copy[32] = copy[33] = copy[34] = 0;
        if (b.at == 37)
            copy[36] = 1;
        EXPECT_FALSE(ParseFatBootSector(copy, v)) << b.why;
    }
    EXPECT_FALSE(ParseFatBootSector(std::span(good).first(100), v));
}

#ifndef _WIN32
using qo::test::Shell;

VolumeReader FileReader(const std::string& path) {
    return [path](uint64_t offset, std::span<uint8_t> bytes) {
        std::ifstream in(path, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(offset));
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return static_cast<size_t>(in.gcount()) == bytes.size();
    };
}

// Volumes made by mkfs.fat and filled by mtools, read back: kind, label,
// cluster count and free clusters as minfo and mdir report them, and the
// root folder's files.
TEST(FatVolumeReader, AgreesWithDosfstoolsAndMtools) {
    qo::test::ScratchFolder scratch;
    const std::string file =
        platform::ToUtf8(scratch.Write(u"ldlinux.sys", std::string(70000, 'x')));
    struct Case {
        const char* options;
        int kib;
        int bits;
        const char* fs;
    } cases[] = {
        {"-F 12", 4096, 12, "FAT"},
        {"-F 16", 65536, 16, "FAT"},
        {"-F 32 -s 1", 65536, 32, "FAT32"},
        {"-F 32 -s 8", 2097152, 32, "FAT32"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const std::string image = platform::ToUtf8(scratch / u"v.img");
        std::remove(image.c_str());
        ASSERT_EQ(Shell(std::string("mkfs.fat -C ") + c.options + " -n QUELIX_OMS '" + image +
                        "' " + std::to_string(c.kib) + " >/dev/null"),
                  "");
        ASSERT_EQ(Shell("mmd -i '" + image + "' ::/tmp && mcopy -i '" + image + "' '" + file +
                        "' ::/tmp/other.sys"),
                  "");
        const VolumeReader read = FileReader(image);
        FatVolume v;
        uint64_t freeClusters = 0;
        ASSERT_TRUE(ReadFatVolume(read, v, freeClusters));
        EXPECT_EQ(v.FatBits, c.bits);
        EXPECT_EQ(platform::ToUtf8(v.FileSystem), c.fs);
        EXPECT_EQ(platform::ToUtf8(v.Label), "QUELIX_OMS");
        EXPECT_FALSE(FatRootHasFile(read, v, "ldlinux.sys"));  // only in tmp/
        ASSERT_EQ(Shell("mcopy -i '" + image + "' '" + file + "' ::/LDLINUX.SYS"), "");
        ASSERT_TRUE(ReadFatVolume(read, v, freeClusters));
        EXPECT_TRUE(FatRootHasFile(read, v, "ldlinux.sys"));
        EXPECT_FALSE(FatRootHasFile(read, v, "ldlinux.c32"));
        const uint64_t clusterBytes = uint64_t{v.SectorsPerCluster} * v.BytesPerSector;
        const std::string listing = Shell("mdir -i '" + image + "' ::/");
        const std::string freeText = std::to_string(freeClusters * clusterBytes);
        std::string grouped;  // mdir groups digits by three with blanks
        for (size_t i = 0; i < freeText.size(); ++i) {
            if (i > 0 && (freeText.size() - i) % 3 == 0)
                grouped += ' ';
            grouped += freeText[i];
        }
        EXPECT_NE(listing.find(grouped + " bytes free"), std::string::npos) << grouped << "\n"
                                                                            << listing;
        ASSERT_EQ(Shell("mdel -i '" + image + "' ::/LDLINUX.SYS"), "");
        EXPECT_FALSE(FatRootHasFile(read, v, "ldlinux.sys")) << "a deleted entry";
    }
}
#endif

}  // namespace
}  // namespace wizard

#include "wizard/media/fat_volume_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"
#include "wizard/media/fat32_writer.h"
#include "wizard/media/little_endian.h"

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

void ReadsFilesInFolders(const std::string& image, int bits);

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
        ReadsFilesInFolders(image, c.bits);
    }
}

// The content of a file found by its path, read with a buffer of that size;
// "<missing>" or "<unreadable>" when it cannot be.
std::string ReadBack(const VolumeReader& read, const FatVolume& v, const std::string& path,
                     size_t bufferSize) {
    FatEntry entry;
    if (!FatFindPath(read, v, path, entry))
        return "<missing>";
    std::vector<uint8_t> buffer(bufferSize);
    std::string content;
    const bool whole = FatReadFile(read, v, entry, buffer, [&](std::span<const uint8_t> bytes) {
        content.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return true;
    });
    return whole ? content : "<unreadable>";
}

// Files in folders, by long and 8.3 names, read back as mtools wrote them; one
// of them fragmented (the space a deleted file left, then more); its chain
// made a loop is refused.
void ReadsFilesInFolders(const std::string& image, int bits) {
    qo::test::ScratchFolder scratch;
    std::string big(70000, '\0'), small = "menuentry quelix";
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 251);
    const std::string b = platform::ToUtf8(scratch.Write(u"big", big));
    const std::string s = platform::ToUtf8(scratch.Write(u"small", small));
    const std::string gap = platform::ToUtf8(scratch.Write(u"gap", std::string(3000, 'g')));
    const std::string i = "mcopy -i '" + image + "' ";
    ASSERT_EQ(Shell("mmd -i '" + image + "' ::/EFI ::/EFI/BOOT ::/.disk && " + i + "'" + b +
                    "' ::/EFI/BOOT/BOOTX64.EFI && " + i + "'" + s +
                    "' ::/EFI/BOOT/grubx64.efi && " + i + "'" + s + "' ::/.disk/info && " + i +
                    "'" + gap + "' ::/gap1 && " + i + "'" + gap + "' ::/gap2 && mdel -i '" + image +
                    "' ::/gap1 && " + i + "'" + b + "' ::/EFI/fragmented.bin"),
              "");
    const VolumeReader read = FileReader(image);
    FatVolume v;
    uint64_t freeClusters = 0;
    ASSERT_TRUE(ReadFatVolume(read, v, freeClusters));
    const struct {
        const char* path;
        const std::string& content;
    } files[] = {{"efi/boot/bootx64.efi", big},
                 {"EFI/BOOT/grubx64.efi", small},
                 {"/.disk/info", small},
                 {"EFI/fragmented.bin", big},
                 {"gap2", std::string(3000, 'g')}};
    for (const auto& f : files) {
        for (size_t bufferSize : {size_t{512}, size_t{1} << 20})
            EXPECT_TRUE(ReadBack(read, v, f.path, bufferSize) == f.content)
                << f.path << " " << bufferSize << ": "
                << ReadBack(read, v, f.path, bufferSize).substr(0, 12);
    }
    for (const char* missing : {"EFI/none", "gap1", "EFI/BOOT/BOOTX64.EFI/x", "EFI/BOOT"})
        EXPECT_EQ(ReadBack(read, v, missing, 512).substr(0, 1), "<") << missing;
    // The fragmented file's first cluster made to lead to itself.
    FatEntry entry;
    ASSERT_TRUE(FatFindPath(read, v, "EFI/fragmented.bin", entry));
    if (bits == 12)
        return;  // 12-bit entries share bytes: the loop is made on FAT16 and FAT32
    std::array<uint8_t, 4> loop{};
    StoreLe32(loop.data(), entry.FirstCluster);
    std::fstream out(image, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(uint64_t{v.ReservedSectors} * v.BytesPerSector +
                                          uint64_t{entry.FirstCluster} * (bits / 8)));
    out.write(reinterpret_cast<const char*>(loop.data()), bits / 8);
    out.close();
    EXPECT_TRUE(ReadBack(read, v, "EFI/fragmented.bin", 512) == "<unreadable>");
}
#endif

}  // namespace
}  // namespace wizard

#include "wizard/media/fat_volume_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace wizard {
namespace {

constexpr uint64_t kMaxFatBytes = 64ull << 20;  // 2^24 FAT32 entries and more
constexpr uint32_t kMaxRootClusters = 4096;     // a longer chain is taken as a loop

uint32_t Le16(std::span<const uint8_t> b, size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8;
}
uint32_t Le32(std::span<const uint8_t> b, size_t at) {
    return Le16(b, at) | Le16(b, at + 2) << 16;
}

bool PowerOfTwo(uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

platform::WString LabelText(std::span<const uint8_t> b, size_t at) {
    std::string text(reinterpret_cast<const char*>(b.data() + at), 11);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    if (text == "NO NAME")
        return {};
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            c = '?';
    return platform::FromUtf8(text);
}

uint32_t FatEntry(const std::vector<uint8_t>& fat, int bits, uint64_t cluster) {
    if (bits == 32) {
        const size_t at = cluster * 4;
        return at + 4 <= fat.size() ? Le32(fat, at) & 0x0FFFFFFF : 0x0FFFFFFF;
    }
    if (bits == 16) {
        const size_t at = cluster * 2;
        return at + 2 <= fat.size() ? Le16(fat, at) : 0xFFFF;
    }
    const size_t at = cluster + cluster / 2;
    if (at + 2 > fat.size())
        return 0xFFF;
    const uint32_t pair = Le16(fat, at);
    return (cluster & 1) ? pair >> 4 : pair & 0xFFF;
}

bool ReadFat(const VolumeReader& read, const FatVolume& v, std::vector<uint8_t>& fat) {
    const uint64_t bytes = uint64_t{v.FatSectors} * v.BytesPerSector;
    if (bytes > kMaxFatBytes)
        return false;
    fat.assign(bytes, 0);
    return read(uint64_t{v.ReservedSectors} * v.BytesPerSector, fat);
}

std::string ShortName(std::string_view name) {
    std::string base(name.substr(0, name.find('.')));
    std::string ext = name.find('.') == std::string_view::npos
                          ? std::string()
                          : std::string(name.substr(name.find('.') + 1));
    base.resize(8, ' ');
    ext.resize(3, ' ');
    std::string all = base + ext;
    for (char& c : all)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return all;
}

bool HasEntry(std::span<const uint8_t> entries, const std::string& shortName, bool& ended) {
    for (size_t at = 0; at + 32 <= entries.size(); at += 32) {
        const uint8_t first = entries[at];
        if (first == 0x00) {
            ended = true;
            return false;
        }
        const uint8_t attributes = entries[at + 11];
        if (first == 0xE5 || attributes == 0x0F || (attributes & 0x18) != 0)
            continue;  // deleted, long name, volume label or folder
        if (std::memcmp(entries.data() + at, shortName.data(), 11) == 0)
            return true;
    }
    return false;
}

}  // namespace

bool ParseFatBootSector(std::span<const uint8_t> b, FatVolume& v) {
    if (b.size() < 512 || !((b[0] == 0xEB && b[2] == 0x90) || b[0] == 0xE9))
        return false;
    FatVolume r;
    r.BytesPerSector = Le16(b, 11);
    r.SectorsPerCluster = b[13];
    r.ReservedSectors = Le16(b, 14);
    r.FatCount = b[16];
    r.RootEntries = Le16(b, 17);
    r.TotalSectors = Le16(b, 19) != 0 ? Le16(b, 19) : Le32(b, 32);
    r.FatSectors = Le16(b, 22) != 0 ? Le16(b, 22) : Le32(b, 36);
    if (r.BytesPerSector < 512 || r.BytesPerSector > 4096 || !PowerOfTwo(r.BytesPerSector) ||
        !PowerOfTwo(r.SectorsPerCluster) || r.ReservedSectors == 0 || r.FatCount == 0 ||
        r.FatCount > 4 || r.FatSectors == 0)
        return false;
    const uint64_t rootSectors =
        (uint64_t{r.RootEntries} * 32 + r.BytesPerSector - 1) / r.BytesPerSector;
    r.FirstDataSector = r.ReservedSectors + uint64_t{r.FatCount} * r.FatSectors + rootSectors;
    if (r.TotalSectors <= r.FirstDataSector)
        return false;
    r.TotalClusters = (r.TotalSectors - r.FirstDataSector) / r.SectorsPerCluster;
    r.FatBits = r.TotalClusters < 4085 ? 12 : r.TotalClusters < 65525 ? 16 : 32;
    // The FAT must hold an entry for every cluster.
    const uint64_t fatBytes = uint64_t{r.FatSectors} * r.BytesPerSector;
    if ((r.TotalClusters + 2) * r.FatBits > fatBytes * 8)
        return false;
    if (r.FatBits == 32) {
        if (Le16(b, 22) != 0 || r.RootEntries != 0)
            return false;
        r.RootCluster = Le32(b, 44);
        r.FileSystem = u"FAT32";
        r.Label = b[66] == 0x29 ? LabelText(b, 71) : platform::WString();
    } else {
        if (r.RootEntries == 0)
            return false;
        r.FileSystem = u"FAT";
        r.Label = b[38] == 0x29 ? LabelText(b, 43) : platform::WString();
    }
    v = r;
    return true;
}

bool ReadFatVolume(const VolumeReader& read, FatVolume& v, uint64_t& freeClusters) {
    std::vector<uint8_t> sector(512);
    if (!read(0, sector) || !ParseFatBootSector(sector, v))
        return false;
    std::vector<uint8_t> fat;
    if (!ReadFat(read, v, fat))
        return false;
    freeClusters = 0;
    for (uint64_t c = 2; c < v.TotalClusters + 2; ++c)
        if (FatEntry(fat, v.FatBits, c) == 0)
            ++freeClusters;
    return true;
}

bool FatUsedBytes(const VolumeReader& read, const FatVolume& v, uint64_t& bytes) {
    std::vector<uint8_t> fat;
    if (!ReadFat(read, v, fat))
        return false;
    uint64_t clusters = v.TotalClusters;
    while (clusters > 0 && FatEntry(fat, v.FatBits, clusters + 1) == 0)
        --clusters;
    bytes = (v.FirstDataSector + clusters * v.SectorsPerCluster) * v.BytesPerSector;
    return true;
}

bool FatRootHasFile(const VolumeReader& read, const FatVolume& v, std::string_view name) {
    const std::string shortName = ShortName(name);
    bool ended = false;
    if (v.FatBits != 32) {
        std::vector<uint8_t> root(uint64_t{v.RootEntries} * 32);
        const uint64_t at =
            (v.ReservedSectors + uint64_t{v.FatCount} * v.FatSectors) * v.BytesPerSector;
        return read(at, root) && HasEntry(root, shortName, ended);
    }
    std::vector<uint8_t> fat;
    if (!ReadFat(read, v, fat))
        return false;
    const uint64_t clusterBytes = uint64_t{v.SectorsPerCluster} * v.BytesPerSector;
    std::vector<uint8_t> cluster(clusterBytes);
    uint64_t c = v.RootCluster;
    for (uint32_t n = 0; n < kMaxRootClusters && c >= 2 && c < v.TotalClusters + 2; ++n) {
        const uint64_t sector = v.FirstDataSector + (c - 2) * v.SectorsPerCluster;
        if (!read(sector * v.BytesPerSector, cluster))
            return false;
        if (HasEntry(cluster, shortName, ended))
            return true;
        if (ended)
            return false;
        c = FatEntry(fat, 32, c);
    }
    return false;
}

}  // namespace wizard

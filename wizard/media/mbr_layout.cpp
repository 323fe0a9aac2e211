#include "wizard/media/mbr_layout.h"

#include <algorithm>
#include <cstring>

#include "wizard/media/little_endian.h"

namespace wizard {
namespace {

constexpr size_t kSignatureOffset = 440;
constexpr size_t kTableOffset = 446;
constexpr size_t kEntryBytes = 16;
constexpr uint32_t kImageHeads = 255;
constexpr uint32_t kImageSectorsPerTrack = 63;

}  // namespace

DiskGeometry ImageGeometry(uint64_t sizeBytes) {
    DiskGeometry g;
    g.TracksPerCylinder = kImageHeads;
    g.SectorsPerTrack = kImageSectorsPerTrack;
    g.BytesPerSector = kSectorBytes;
    g.Cylinders = sizeBytes / (uint64_t{kImageHeads} * kImageSectorsPerTrack * kSectorBytes);
    return g;
}

bool NewPartitionEntry(const DiskGeometry& g, bool bootIndicator, PartitionEntry& entry) {
    if (g.BytesPerSector != kSectorBytes || g.SectorsPerTrack == 0 || g.TracksPerCylinder == 0)
        return false;
    const uint64_t start = uint64_t{g.SectorsPerTrack} * g.BytesPerSector;
    // Compared before multiplying out: a huge reported geometry must not wrap.
    const uint64_t cylinderBytes = uint64_t{g.TracksPerCylinder} * start;
    if (g.Cylinders > (kMbrLimitBytes * 2) / cylinderBytes)
        return false;
    const uint64_t end = g.Cylinders * cylinderBytes;
    if (end <= start || end - start >= kMbrLimitBytes)
        return false;
    entry = PartitionEntry{};
    entry.StartingOffset = start;
    entry.Length = end - start;
    entry.HiddenSectors = g.SectorsPerTrack;
    entry.Type = kPartitionTypeFat32;
    entry.BootIndicator = bootIndicator;
    return true;
}

std::array<uint8_t, 3> ChsAddress(uint64_t lba, uint32_t heads, uint32_t sectorsPerTrack) {
    const uint64_t perCylinder = uint64_t{heads} * sectorsPerTrack;
    const uint64_t cylinder = perCylinder == 0 ? 1024 : lba / perCylinder;
    if (cylinder > 1023)
        return {0xFE, 0xFF, 0xFF};
    const uint64_t head = (lba / sectorsPerTrack) % heads;
    const uint64_t sector = lba % sectorsPerTrack + 1;
    return {static_cast<uint8_t>(head), static_cast<uint8_t>(sector | ((cylinder >> 2) & 0xC0)),
            static_cast<uint8_t>(cylinder & 0xFF)};
}

bool EncodeMbr(const DriveLayout& layout, MbrSector& sector) {
    if (layout.Partitions.size() > kMbrPartitions)
        return false;
    std::array<uint8_t, kMbrPartitions * kEntryBytes> table{};
    for (size_t i = 0; i < layout.Partitions.size(); ++i) {
        const PartitionEntry& p = layout.Partitions[i];
        if (p.Type == 0 && p.Length == 0)
            continue;  // an empty slot
        if (p.StartingOffset % kSectorBytes != 0 || p.Length % kSectorBytes != 0 || p.Length == 0 ||
            p.StartingOffset + p.Length > kMbrLimitBytes)
            return false;
        const uint64_t first = p.StartingOffset / kSectorBytes;
        const uint64_t count = p.Length / kSectorBytes;
        uint8_t* e = table.data() + i * kEntryBytes;
        e[0] = p.BootIndicator ? 0x80 : 0x00;
        const auto chsFirst = ChsAddress(first, kImageHeads, kImageSectorsPerTrack);
        const auto chsLast = ChsAddress(first + count - 1, kImageHeads, kImageSectorsPerTrack);
        std::copy(chsFirst.begin(), chsFirst.end(), e + 1);
        e[4] = p.Type;
        std::copy(chsLast.begin(), chsLast.end(), e + 5);
        StoreLe32(e + 8, static_cast<uint32_t>(first));
        StoreLe32(e + 12, static_cast<uint32_t>(count));
    }
    StoreLe32(sector.data() + kSignatureOffset, layout.Signature);
    sector[kSignatureOffset + 4] = 0;
    sector[kSignatureOffset + 5] = 0;
    std::copy(table.begin(), table.end(), sector.begin() + kTableOffset);
    sector[510] = 0x55;
    sector[511] = 0xAA;
    return true;
}

bool LooksLikeBootSector(std::span<const uint8_t> s) {
    if (s.size() < kSectorBytes)
        return false;
    const bool jump = (s[0] == 0xEB && s[2] == 0x90) || s[0] == 0xE9;
    if (!jump)
        return false;
    auto has = [&](size_t at, const char* text) {
        return std::memcmp(s.data() + at, text, std::strlen(text)) == 0;
    };
    return has(3, "NTFS    ") || has(3, "EXFAT   ") || has(82, "FAT32   ") || has(54, "FAT1") ||
           has(54, "FAT     ");
}

bool IsGptDisk(std::span<const uint8_t> sector0, std::span<const uint8_t> sector1) {
    if (sector1.size() >= 8 && std::memcmp(sector1.data(), "EFI PART", 8) == 0)
        return true;
    if (sector0.size() < kSectorBytes || sector0[510] != 0x55 || sector0[511] != 0xAA)
        return false;
    for (size_t i = 0; i < kMbrPartitions; ++i)
        if (sector0[kTableOffset + i * kEntryBytes + 4] == kPartitionTypeGptProtective)
            return true;
    return false;
}

bool DecodeMbr(std::span<const uint8_t> s, uint64_t diskBytes, DriveLayout& layout) {
    if (s.size() < kSectorBytes || s[510] != 0x55 || s[511] != 0xAA || LooksLikeBootSector(s))
        return false;
    DriveLayout read;
    read.Signature = LoadLe32(s, kSignatureOffset);
    for (size_t i = 0; i < kMbrPartitions; ++i) {
        const size_t at = kTableOffset + i * kEntryBytes;
        const uint8_t flag = s[at];
        if (flag != 0x00 && flag != 0x80)
            return false;
        const uint8_t type = s[at + 4];
        const uint32_t first = LoadLe32(s, at + 8);
        const uint32_t count = LoadLe32(s, at + 12);
        if (type == 0 || count == 0) {
            read.Partitions.emplace_back();  // an empty slot keeps its place
            continue;
        }
        const uint64_t start = uint64_t{first} * kSectorBytes;
        const uint64_t length = uint64_t{count} * kSectorBytes;
        if (first == 0 || start + length > diskBytes)
            return false;
        PartitionEntry p;
        p.StartingOffset = start;
        p.Length = length;
        p.HiddenSectors = first;
        p.Type = type;
        p.BootIndicator = flag == 0x80;
        read.Partitions.push_back(p);
    }
    layout = std::move(read);
    return true;
}

}  // namespace wizard

#include "wizard/media/fat32_writer.h"

#include <algorithm>
#include <cstring>

#include "wizard/media/little_endian.h"

namespace wizard {
namespace {

void PutText(uint8_t* p, const char* text) {
    std::memcpy(p, text, std::strlen(text));
}

void WriteBootSector(uint8_t* b, const Fat32Layout& layout, uint32_t hidden, uint32_t serial) {
    PutText(b,
            "\xEB\x58\x90"
            "MSWIN4.1");
    StoreLe16(b + 11, kSectorBytes);
    b[13] = kFat32SectorsPerCluster;
    StoreLe16(b + 14, kFat32ReservedSectors);
    b[16] = 2;               // FATs
    b[21] = 0xF8;            // media descriptor: fixed disk
    StoreLe16(b + 24, 63);   // sectors per track
    StoreLe16(b + 26, 255);  // heads
    StoreLe32(b + 28, hidden);
    StoreLe32(b + 32, layout.TotalSectors);
    StoreLe32(b + 36, layout.FatSectors);
    StoreLe32(b + 44, 2);  // root directory cluster
    StoreLe16(b + 48, 1);  // FSInfo sector
    StoreLe16(b + 50, 6);  // backup boot sector
    b[64] = 0x80;          // drive number
    b[66] = 0x29;          // extended boot signature
    StoreLe32(b + 67, serial);
    PutText(b + 71, "NO NAME    ");
    PutText(b + 82, "FAT32   ");
    b[510] = 0x55;
    b[511] = 0xAA;
}

void WriteFsInfo(uint8_t* b, const Fat32Layout& layout) {
    StoreLe32(b, 0x41615252);
    StoreLe32(b + 484, 0x61417272);
    StoreLe32(b + 488, layout.FreeClusters);
    StoreLe32(b + 492, 3);
    StoreLe32(b + 508, 0xAA550000);
}

}  // namespace

bool ComputeFat32Layout(uint64_t totalSectors, Fat32Layout& layout) {
    if (totalSectors > 0xFFFFFFFFu)
        return false;
    const uint32_t s = static_cast<uint32_t>(totalSectors);
    const uint32_t f = static_cast<uint32_t>((uint64_t{s} + 8160) / 8193);
    const uint64_t overhead = uint64_t{2} * f + kFat32ReservedSectors;
    if (s <= overhead)
        return false;
    const uint64_t clusters = (s - overhead) / kFat32SectorsPerCluster;
    if (clusters < kFat32MinClusters)
        return false;
    layout.TotalSectors = s;
    layout.FatSectors = f;
    layout.FreeClusters = static_cast<uint32_t>(clusters - 1);
    layout.ZeroBlocks = static_cast<uint32_t>((overhead + 64) / 64 + 1);
    return true;
}

Fat32BootArea Fat32BootSectors(const Fat32Layout& layout, uint32_t hiddenSectors,
                               uint32_t serialNumber) {
    Fat32BootArea area{};
    WriteBootSector(area.data(), layout, hiddenSectors, serialNumber);
    WriteFsInfo(area.data() + kSectorBytes, layout);
    area[3 * kSectorBytes - 2] = 0x55;
    area[3 * kSectorBytes - 1] = 0xAA;
    std::copy(area.begin(), area.begin() + 3 * kSectorBytes, area.begin() + 3 * kSectorBytes);
    return area;
}

MbrSector Fat32FirstFatSector() {
    MbrSector fat{};
    StoreLe32(fat.data(), 0x0FFFFFF8);
    StoreLe32(fat.data() + 4, 0xFFFFFFFF);
    StoreLe32(fat.data() + 8, 0x0FFFFFFF);
    return fat;
}

bool WriteFat32(VolumeWriter& volume, uint64_t totalSectors, uint32_t hiddenSectors,
                uint32_t serialNumber) {
    Fat32Layout layout;
    if (!ComputeFat32Layout(totalSectors, layout))
        return false;
    // A static block of zeros: the clearing cannot be skipped for want of a
    // buffer, so no old FAT survives under the new boot sector.
    static const std::array<uint8_t, kFat32ZeroBlockBytes> zeros{};
    const uint64_t blockSectors = kFat32ZeroBlockBytes / kSectorBytes;
    for (uint32_t i = 0; i < layout.ZeroBlocks; ++i) {
        const uint64_t first = i * blockSectors;
        if (first >= layout.TotalSectors)
            break;
        const uint64_t count = std::min<uint64_t>(blockSectors, layout.TotalSectors - first);
        if (!volume.WriteSectors(first, std::span(zeros.data(), count * kSectorBytes)))
            return false;
    }
    const Fat32BootArea area = Fat32BootSectors(layout, hiddenSectors, serialNumber);
    const std::span<const uint8_t> all(area);
    const MbrSector fat = Fat32FirstFatSector();
    return volume.WriteSectors(0, all.first(3 * kSectorBytes)) &&
           volume.WriteSectors(6, all.subspan(3 * kSectorBytes)) &&
           volume.WriteSectors(kFat32ReservedSectors, fat) &&
           volume.WriteSectors(kFat32ReservedSectors + layout.FatSectors, fat);
}

}  // namespace wizard

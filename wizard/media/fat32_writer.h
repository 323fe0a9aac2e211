// FormatFat32's core: the FAT32 file system that the wizard writes itself on
// volumes too large for the system's formatter. 64 sectors per cluster, 32
// reserved sectors, two FATs, the root directory in cluster 2, label "NO
// NAME" (the volume label is set afterwards by the caller).
//
// Pure layout functions plus one writer over a VolumeWriter; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "wizard/media/mbr_layout.h"

namespace wizard {

constexpr uint32_t kFat32SectorsPerCluster = 64;
constexpr uint32_t kFat32ReservedSectors = 32;
// Fewer clusters than this make a FAT16 volume by definition: FAT32 readers
// would take the volume for FAT16.
constexpr uint32_t kFat32MinClusters = 65525;
// Bytes of zeros written per block when the start of the volume is cleared.
constexpr size_t kFat32ZeroBlockBytes = 32768;

// Where a sector write goes: the volume, addressed in 512-byte sectors from
// its first sector.
class VolumeWriter {
  public:
    virtual ~VolumeWriter() = default;
    virtual bool WriteSectors(uint64_t firstSector, std::span<const uint8_t> bytes) = 0;
};

struct Fat32Layout {
    uint32_t TotalSectors = 0;  // S
    uint32_t FatSectors = 0;    // F = (S + 8160) / 8193
    uint32_t FreeClusters = 0;  // (S - 2F - 32) / 64 - 1
    uint32_t ZeroBlocks = 0;    // 32 KiB blocks cleared: (2F + 32 + 64) / 64 + 1
};

// The layout of a volume of totalSectors sectors; false when it cannot be
// FAT32 of this shape: 2^32 sectors (2 TiB) or more, or too few clusters.
bool ComputeFat32Layout(uint64_t totalSectors, Fat32Layout& layout);

// Volume sectors 0-2 (boot sector, FSInfo, the third boot sector) followed by
// their copies for sectors 6-8: six sectors, 3,072 bytes.
using Fat32BootArea = std::array<uint8_t, 6 * kSectorBytes>;
Fat32BootArea Fat32BootSectors(const Fat32Layout& layout, uint32_t hiddenSectors,
                               uint32_t serialNumber);

// The first sector of each FAT: entries 0 and 1 and the end of the root
// directory's cluster chain.
MbrSector Fat32FirstFatSector();

// Writes the file system: clears the reserved sectors, both FATs and the root
// directory cluster, then the boot sectors and their copies and the first
// sector of each FAT. hiddenSectors is the volume's first sector on its disk.
// False when the layout is impossible or a write fails; nothing is skipped.
bool WriteFat32(VolumeWriter& volume, uint64_t totalSectors, uint32_t hiddenSectors,
                uint32_t serialNumber);

}  // namespace wizard

// The master boot record of a USB drive: the disk geometry, the partition
// entry written on a disk without a partition table, and the 512-byte MBR
// sector read and written on platforms that write the sector themselves.
// Pure functions; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace wizard {

constexpr uint32_t kSectorBytes = 512;
constexpr size_t kMbrPartitions = 4;
// Partition type of a FAT32 volume addressed by CHS (the type the drive gets).
constexpr uint8_t kPartitionTypeFat32 = 0x0B;
// Partition type of the protective entry a GUID partition table (GPT) keeps in
// the MBR, so that MBR tools leave the disk alone.
constexpr uint8_t kPartitionTypeGptProtective = 0xEE;
// An MBR describes at most 2^32 sectors of 512 bytes: a volume this large or
// larger cannot be described by the partition entry nor by the FAT32 boot
// sector's 32-bit sector counts.
constexpr uint64_t kMbrLimitBytes = uint64_t{1} << 41;  // 2 TiB

struct DiskGeometry {
    uint64_t Cylinders = 0;
    uint32_t TracksPerCylinder = 0;
    uint32_t SectorsPerTrack = 0;
    uint32_t BytesPerSector = 0;
};

struct PartitionEntry {
    uint64_t StartingOffset = 0;  // bytes
    uint64_t Length = 0;          // bytes
    uint32_t HiddenSectors = 0;
    uint8_t Type = 0;
    bool BootIndicator = false;  // active
};

struct DriveLayout {
    uint32_t Signature = 0;
    std::vector<PartitionEntry> Partitions;  // in table order; an empty slot is all zero
};

using MbrSector = std::array<uint8_t, kSectorBytes>;

// The geometry an image file (or a device that reports none) is given: 255
// heads, 63 sectors per track, 512-byte sectors, whole cylinders only.
DiskGeometry ImageGeometry(uint64_t sizeBytes);

// The entry of a new partition table: the partition from the second track to
// the end of the last whole cylinder, FAT32, with the given boot indicator.
// False when the geometry leaves no room for it, or when the partition would
// reach 2 TiB (an MBR cannot describe it).
bool NewPartitionEntry(const DiskGeometry& geometry, bool bootIndicator, PartitionEntry& entry);

// Writes the signature and the four partition slots of layout into sector
// (the boot code in bytes 0-439 is kept) with the 55 AA signature. Entries
// beyond 4, or ending beyond 2 TiB, make it fail and leave sector unchanged.
bool EncodeMbr(const DriveLayout& layout, MbrSector& sector);

// Reads an MBR sector. False when the sector carries no partition table: no
// 55 AA signature, an invalid boot flag, or the boot sector of a file system
// that starts at sector 0 (a drive formatted without a partition table).
// Partitions that overlap sector 0 or lie beyond diskBytes are rejected too.
bool DecodeMbr(std::span<const uint8_t> sector, uint64_t diskBytes, DriveLayout& layout);

// True when sector 0 holds a file system's boot sector (FAT or NTFS) rather
// than a partition table.
bool LooksLikeBootSector(std::span<const uint8_t> sector);

// True when the disk carries a GUID partition table rather than an MBR one: the
// MBR (sector 0, with its 55 AA signature) holds a protective entry, or sector 1
// starts with the GPT header's signature "EFI PART". Such a disk needs a new
// partition table: a volume written where the MBR seems to put it would
// overwrite the GPT.
bool IsGptDisk(std::span<const uint8_t> sector0, std::span<const uint8_t> sector1);

// The cylinder-head-sector address of a sector for the given geometry, as the
// three bytes of a partition entry; addresses beyond cylinder 1023 are given
// as the largest address (FE FF FF).
std::array<uint8_t, 3> ChsAddress(uint64_t lba, uint32_t heads, uint32_t sectorsPerTrack);

}  // namespace wizard

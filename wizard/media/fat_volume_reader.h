// FatVolumeReader: what discovery and the boot-loader check read from a FAT
// volume that is not mounted: its kind (FAT or FAT32, named as Windows names
// them), label, cluster size and count, the free clusters counted in the FAT,
// and whether a file exists in the root folder. Reads through a callback, so
// it works on a device, an image file or a buffer; the input is untrusted
// (any byte pattern gives an answer or false, never a crash or a hang).
// Any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "platform/text.h"

namespace wizard {

// Reads length bytes at a byte offset of the volume; false on failure.
using VolumeReader = std::function<bool(uint64_t offset, std::span<uint8_t> bytes)>;

struct FatVolume {
    platform::WString FileSystem;  // "FAT" (FAT12/16) or "FAT32"
    platform::WString Label;       // from the boot sector; empty for "NO NAME"
    int FatBits = 0;               // 12, 16 or 32
    uint32_t BytesPerSector = 0;
    uint32_t SectorsPerCluster = 0;
    uint32_t ReservedSectors = 0;
    uint32_t FatCount = 0;
    uint32_t FatSectors = 0;
    uint32_t RootEntries = 0;  // FAT12/16 fixed root folder
    uint32_t RootCluster = 0;  // FAT32
    uint64_t TotalSectors = 0;
    uint64_t TotalClusters = 0;
    uint64_t FirstDataSector = 0;
};

// Parses a boot sector; false when it is not a FAT boot sector this reader
// trusts (sizes out of range, clusters beyond the FAT, ...).
bool ParseFatBootSector(std::span<const uint8_t> sector, FatVolume& volume);

// Reads the boot sector and the first FAT; free counts the free clusters.
bool ReadFatVolume(const VolumeReader& read, FatVolume& volume, uint64_t& freeClusters);

// The bytes from the volume's start to the end of the last cluster in use (to
// the end of the FATs and the fixed root folder when none is in use); false
// when the FAT cannot be read.
bool FatUsedBytes(const VolumeReader& read, const FatVolume& volume, uint64_t& bytes);

// Whether the root folder holds a file of this name (8.3, any case).
bool FatRootHasFile(const VolumeReader& read, const FatVolume& volume, std::string_view name);

}  // namespace wizard

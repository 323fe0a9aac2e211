// FatVolumeReader: what discovery, the boot-loader check and the read-back of
// a written drive read from a FAT volume that is not mounted: its kind (FAT or
// FAT32, named as Windows names them), label, cluster size and count, the free
// clusters counted in the FAT, files and folders by their path (long or 8.3
// names) and a file's content. Reads through a callback, so it works on a
// device, an image file or a buffer; the input is untrusted (any byte pattern
// gives an answer or false, never a crash or a hang: a cluster chain that
// loops is found out, not followed). Nothing it reads is held whole: the FAT
// is read a window at a time, folders a sector at a time and file content
// into the caller's buffer. Any thread.
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

// Whether the root folder holds a file of this name (any case).
bool FatRootHasFile(const VolumeReader& read, const FatVolume& volume, std::string_view name);

// A file or folder as its folder entry describes it.
struct FatEntry {
    uint32_t FirstCluster = 0;  // 0 for an empty file (and for the root folder)
    uint32_t Size = 0;          // bytes; 0 for a folder
    bool IsFolder = false;
};

// Finds a file or folder by its path from the root folder ("EFI/BOOT/x.efi":
// '/' separates, a part matches a long name or an 8.3 one, ASCII letters in any
// case). False when a part is missing or the volume cannot be read there.
bool FatFindPath(const VolumeReader& read, const FatVolume& volume, std::string_view path,
                 FatEntry& entry);

// Receives a file's content in order; false stops the reading.
using FatContentSink = std::function<bool(std::span<const uint8_t> bytes)>;

// Reads a file's content through its cluster chain into buffer (consecutive
// clusters are read at once, up to the buffer's size) and gives each piece
// to sink. False when a read fails, sink stops, or the chain ends before the
// file's size, loops or leaves the volume.
bool FatReadFile(const VolumeReader& read, const FatVolume& volume, const FatEntry& file,
                 std::span<uint8_t> buffer, const FatContentSink& sink);

}  // namespace wizard

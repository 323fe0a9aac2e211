// Recognises a wiping medium made by the wizard among the disks, so that the
// medium the environment booted from is never listed nor wiped: one of its
// FAT volumes carries the medium's label, or holds the configuration archive
// "quelix" in its root folder. Reads through a callback (a device or an image
// file); the input is untrusted. Any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "wiper/drive_scan.h"

namespace wiper {

// Reads bytes at a byte offset of the disk; false on failure.
using DiskReader = std::function<bool(uint64_t offset, std::span<uint8_t> bytes)>;

// What marks the disk as a wiping medium ("volume label QUELIX_OMS",
// "configuration archive on the volume"), or "" when nothing does; volume is
// then the position of the marked volume in volumes.
std::string WipingMediumSign(const DiskReader& read, const std::vector<Volume>& volumes,
                             size_t& volume);

// Whether a FAT file system starts at offset (a volume the kernel may mount).
bool HoldsFat(const DiskReader& read, uint64_t offset);

// Whether the marker file's text is the one the wizard's payload puts at
// /.disk/info of every medium.
bool IsMediumMarker(std::string_view text);

}  // namespace wiper

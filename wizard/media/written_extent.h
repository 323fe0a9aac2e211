// How much of a USB drive a build wrote: from the partition table to the end
// of the last cluster in use of the FAT volume in the drive's first
// partition. What lies beyond (free clusters, the rest of the disk) no build
// writes, so a drive's digest covers this extent only. The input is untrusted.
// Any thread.
#pragma once

#include <cstdint>

#include "wizard/media/fat_volume_reader.h"

namespace wizard {

// disk reads from the whole disk of diskBytes bytes. False when its first
// partition holds no FAT volume this reader trusts.
bool WrittenExtent(const VolumeReader& disk, uint64_t diskBytes, uint64_t& end);

}  // namespace wizard

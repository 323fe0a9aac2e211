// The identity of a disk on Linux, read through an open descriptor so that it
// describes exactly what the descriptor reaches: a whole-disk device by its
// disk sequence number (new whenever a medium is attached), device number,
// size and the serial of the USB device above it; an image file by its file
// system device, inode and size. Any thread.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "wizard/media/linux/linux_disk_access.h"
#include "wizard/media/usb_disk_info.h"

namespace wizard {

// False when the descriptor is neither a block device nor a regular file, or
// its size cannot be read.
bool ReadDiskIdentity(const LinuxRoots& roots, int fd, DiskIdentity& identity);

// The sysfs name (sdb, sdb1, loop0, dm-0) of the block device with a device
// number ("8:16"); empty when sysfs has none.
std::string BlockName(const LinuxRoots& roots, const std::string& number);
std::string DeviceNumberText(dev_t device);

// The first line of a (sysfs) file; empty when it cannot be read.
std::string ReadFirstLine(const std::filesystem::path& path);

// The serial of the disk `name`, from the nearest device folder above it that
// has one (the USB device's); empty when none has.
std::string DiskSerial(const LinuxRoots& roots, const std::string& name);

// The vendor and model the disk `name` reports ("SanDisk Cruzer Blade");
// empty when it reports none.
std::string DiskModel(const LinuxRoots& roots, const std::string& name);

}  // namespace wizard

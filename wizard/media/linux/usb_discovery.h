// USB disk discovery on Linux, from sysfs, the device files and the mount
// table (all below roots given as parameters, so tests run on a fake tree).
//
// A candidate is a whole disk that sysfs reports as removable and whose
// device path runs through a USB controller. Its volume is the first
// partition of its MBR (or the file system at sector 0 of a disk formatted
// without a partition table; or none). The facts of a mounted volume come
// from statvfs of its mount point; an unmounted FAT volume is read directly
// (FatVolumeReader); other file systems are named by libblkid. A disk with no
// volume is listed as needing a partition table. Image files are taken as
// whole disks. Interface thread (or the command line's main thread).
#pragma once

#include <string>
#include <vector>

#include "wizard/media/linux/linux_disk_access.h"
#include "wizard/media/usb_disk_info.h"

namespace wizard {

// Whether the whole disk `name` (sdb, mmcblk0, ...) is removable and on USB.
bool IsUsbDisk(const LinuxRoots& roots, const std::string& name);

// Fills disk from the disk device or image file at path (name: the disk's
// sysfs name, empty for an image file). False with a one-line reason when it
// cannot be read.
bool InitUsbDiskInfo(const LinuxRoots& roots, const std::string& path, const std::string& name,
                     UsbDiskInfo& disk, std::string& error);

// Rebuilds disks from every removable USB disk; the disks that could not be
// read (usually: no rights) are named with their reason in unreadable.
bool RefreshUsbDisks(const LinuxRoots& roots, UsbDiskList& disks,
                     std::vector<std::string>& unreadable);

// The target of `--usb`: a regular file (an image, no special rights needed)
// or a whole removable USB disk device. Refused with a one-line reason: a
// partition, a disk that is not removable or not on USB, the disk that holds
// "/" or the running program, a device without root rights.
bool OpenUsbTarget(const LinuxRoots& roots, const std::string& target, bool isRoot,
                   UsbDiskInfo& disk, std::string& error);

// The disk's serial (from its USB device) and size in bytes, as sysfs has them now.
bool ReadDiskIdentity(const LinuxRoots& roots, const std::string& name, std::string& serial,
                      uint64_t& bytes);

}  // namespace wizard

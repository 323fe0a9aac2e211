// USB disk discovery on Linux, from sysfs, the device files and the mount
// table (all below roots given as parameters, so tests run on a fake tree).
//
// A candidate is a whole disk that sysfs reports as removable and whose
// device path runs through a USB controller, and that is not an optical
// drive. Its volume is the first partition of its MBR (or the file system at
// sector 0 of a disk formatted without a partition table; or none: also for a
// disk with a GUID partition table). The facts of a mounted volume come
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

// Whether the whole disk `name` (sdb, mmcblk0, ...) is removable and on USB,
// and not an optical drive.
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
// or a whole removable USB disk device; a link is resolved once, and the
// record keeps both names. Refused with a one-line reason: a partition, a
// disk that is not removable or not on USB, a disk that holds "/" or the
// running program however they are stacked on it (device mapper, LVM, RAID,
// loop files), a disk another block device is built on, a device without
// root rights.
bool OpenUsbTarget(const LinuxRoots& roots, const std::string& target, bool isRoot,
                   UsbDiskInfo& disk, std::string& error);

}  // namespace wizard

// USB disk discovery on Windows: volume enumeration, the storage I/O controls
// (bus type, device number, drive layout), volume information and free space.
// Interface thread.
#pragma once

#include "platform/text.h"
#include "wizard/media/usb_disk_info.h"

namespace wizard {

// True when the volume's device reports the USB bus (GUID path, with or
// without its trailing backslash).
bool IsUsbVolume(const platform::WString& volumePath);
// Fills disk for the volume; false when its free space cannot be read.
bool InitUsbDiskInfo(UsbDiskInfo& disk, const platform::WString& volumePath);
// Sets DriveLetterIndex: the first letter C-Z mounted on the volume, else -1.
bool FindDriveLetter(UsbDiskInfo& disk);
// Whether the disk has a partition table whose first entry starts after offset 0.
bool CheckPartitionTable(const UsbDiskInfo& disk);
// The physical drive number that holds the volume; -1 when unknown.
int32_t VolumeDeviceNumber(const platform::WString& volumePath);
// The size of "\\.\PhysicalDrive<n>" in bytes; 0 when unknown.
uint64_t PhysicalDriveBytes(int32_t number);
// The identity of the disk that a handle reaches (a volume's, also the handle
// that locked it, or a physical drive's): drive number, bus type and serial
// asked through that handle, and the drive's size. False when one cannot be read.
bool ReadDiskIdentity(void* handle, DiskIdentity& identity);
bool RefreshUsbDisks(UsbDiskList& disks);

}  // namespace wizard

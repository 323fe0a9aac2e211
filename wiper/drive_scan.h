// Drive discovery over a sysfs tree (/sys, or a fake tree in the tests): the
// disks of block/ that can be wiped, with their class, size, model, serial and
// volumes, and the devices left out with the reason. Reads files only; any
// thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wiper/wipe_settings.h"

namespace wiper {

struct Volume {
    std::string name;     // "sdb1"; the disk's own name for the whole disk
    uint64_t offset = 0;  // bytes from the disk's start
};

struct DriveInfo {
    std::string name;  // "sdb"
    uint64_t sizeBytes = 0;
    std::string model;
    std::string serial;
    bool removableFlag = false;  // the kernel's removable flag
    bool usb = false;            // attached through USB
    bool rotational = true;
    bool hybrid = false;  // a solid-state cache in front of the platters
    DriveClass driveClass = DriveClass::Hdd;
    std::vector<Volume> volumes;  // its partitions; the whole disk when it has none
};

struct SkippedDisk {
    std::string name;
    std::string reason;
};

// The class rules, in this order: removable when the removable flag is set or
// the drive is attached through USB; solid-state when not rotational; hybrid
// when rotational with a solid-state cache; else hard disk.
DriveClass ClassifyDrive(bool removable, bool usb, bool rotational, bool hybrid);

// The disks under sysRoot/block, sorted by name. Left out: loop, RAM and zram
// devices, optical drives, devices without hardware behind them (device
// mapper, md) and disks without a medium (size 0).
std::vector<DriveInfo> ScanDrives(const std::string& sysRoot, std::vector<SkippedDisk>& skipped);

// Sets driveClass from the drive's flags (after hybrid was learned).
void Classify(DriveInfo& drive);

}  // namespace wiper

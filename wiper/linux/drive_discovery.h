// The drives of this machine as the wiping environment offers them: the
// sysfs scan, without the wiping medium itself (its label, its configuration
// archive, or the marker file /.disk/info on a volume mounted read-only for
// the look), completed by what the drive tells through ATA IDENTIFY (model,
// serial, hybrid cache). Main thread.
#pragma once

#include <string>
#include <vector>

#include "wiper/drive_scan.h"

namespace wiper {

struct FoundDrive {
    DriveInfo info;
    DriveInfo listed;        // as sysfs showed it, before IDENTIFY added to it
    std::string device;      // "/dev/sdb"
    std::string devNumber;   // "8:16", what the device file must still be
    bool ata = false;        // answers ATA commands
    std::string ataMissing;  // why not
};

struct Discovery {
    std::vector<FoundDrive> drives;
    std::vector<SkippedDisk> skipped;
    std::string mediumVolume;  // "/dev/sda1": the wiping medium's FAT volume, if any
};

// Waits until the kernel's list of disks has not changed for quietSeconds
// (drives behind USB appear late), at most maxSeconds.
void WaitForDrives(const std::string& sysRoot, double quietSeconds, double maxSeconds);

Discovery DiscoverDrives(const std::string& sysRoot, const std::string& devRoot);

// Whether the disk of that name still shows the size and serial number it was
// listed with (another drive in its place shows others).
bool StillListedAs(const std::string& sysRoot, const FoundDrive& drive);

}  // namespace wiper

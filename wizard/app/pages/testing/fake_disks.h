// Test helper: USB disk discovery as the tests want it, a list of drives that
// changes when told. Refresh is called on the page's thread; Add may be called
// from a test's driver thread meanwhile.
#pragma once

#include <mutex>

#include "wizard/app/pages/usb_disk_source.h"

namespace wizard::pages::testing {

class FakeDisks : public UsbDiskSource {
  public:
    bool Refresh(UsbDiskList& disks) override {
        std::lock_guard<std::mutex> lock(mutex);
        ++refreshes;
        disks = present;
        return true;
    }
    // A drive as discovery reports it: 7.45 GB with 7.40 GB free, FAT32
    // unless it has to be formatted because of its file system (NTFS).
    static UsbDiskInfo Disk(const char16_t* volume, const char16_t* label, int letter,
                            int formatNeed = 0, bool bootable = false) {
        UsbDiskInfo d;
        d.VolumePath = volume;
        d.VolumeLabel = label;
        d.DriveLetterIndex = letter;
        d.CapacityText = u"7.45 GB";
        d.FreeSpaceText = u"7.40 GB";
        d.FileSystem = formatNeed == 1 ? u"NTFS" : u"FAT32";
        d.FormatNeed = formatNeed;
        d.IsBootable = bootable;
        return d;
    }
    // A drive plugged in: discovery lists it first.
    void Add(const UsbDiskInfo& disk) {
        std::lock_guard<std::mutex> lock(mutex);
        present.insert(present.begin(), disk);
    }

    std::mutex mutex;
    UsbDiskList present;
    int refreshes = 0;
};

}  // namespace wizard::pages::testing

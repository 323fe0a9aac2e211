#include "wizard/media/testing/fake_disk_access.h"

#include <algorithm>

#include "platform/files.h"

namespace wizard::testing {

using platform::WString;
using platform::WStringView;

class FakeDisk : public Disk {
  public:
    explicit FakeDisk(FakeDiskAccess& access) : access_(access) {}
    bool IsSame(WString& why) override { return access_.Check(why); }
    WString ToolName() const override { return u"fake disk"; }
    bool ReadSize(uint64_t& bytes) override {
        bytes = access_.diskBytes;
        return true;
    }
    bool ReadGeometry(DiskGeometry& geometry) override {
        geometry = ImageGeometry(access_.diskBytes);
        return true;
    }
    bool ReadLayout(DriveLayout& layout) override {
        MbrSector sector{};
        access_.Read(0, sector.data(), sector.size());
        layout = DriveLayout{};
        DecodeMbr(sector, access_.diskBytes, layout);
        return true;
    }
    bool Read(uint64_t offset, std::span<uint8_t> bytes) override {
        if (offset + bytes.size() > access_.diskBytes)
            return false;
        access_.Read(offset, bytes.data(), bytes.size());
        return true;
    }
    bool Write(uint64_t offset, std::span<const uint8_t> bytes) override {
        if (offset + bytes.size() > access_.diskBytes)
            return false;
        access_.WriteBytes(offset, bytes.data(), bytes.size());
        return true;
    }
    bool InitializeMbr(uint32_t signature) override {
        MbrSector sector{};
        if (!EncodeMbr(DriveLayout{signature, {}}, sector))
            return false;
        access_.WriteBytes(0, sector.data(), sector.size());
        return true;
    }
    bool WriteLayout(const DriveLayout& layout) override {
        if (access_.failLayoutWrite)
            return false;
        MbrSector sector{};
        access_.Read(0, sector.data(), sector.size());
        if (!EncodeMbr(layout, sector))
            return false;
        access_.WriteBytes(0, sector.data(), sector.size());
        return true;
    }

  private:
    FakeDiskAccess& access_;
};

class FakeVolume : public LockedVolume {
  public:
    FakeVolume(FakeDiskAccess& access, uint64_t start) : access_(access), start_(start) {}
    bool IsSame(const DiskIdentity&, WString& why) override { return access_.Check(why); }
    bool WriteSectors(uint64_t firstSector, std::span<const uint8_t> bytes) override {
        const uint64_t offset = start_ + firstSector * kSectorBytes;
        if (offset + bytes.size() > access_.diskBytes)
            return false;
        access_.WriteBytes(offset, bytes.data(), bytes.size());
        return true;
    }

  private:
    FakeDiskAccess& access_;
    uint64_t start_;
};

FakeDiskAccess::FakeDiskAccess(uint64_t bytes, WString folder, WString child)
    : diskBytes(bytes), filesFolder(std::move(folder)), childProgram(std::move(child)) {
    platform::CreateFolders(filesFolder);
}

void FakeDiskAccess::Read(uint64_t offset, uint8_t* bytes, size_t length) const {
    std::lock_guard<std::mutex> lock(mutex_);
    // Sector by sector: terabyte disks are mostly sectors never written.
    for (size_t done = 0; done < length;) {
        const uint64_t at = offset + done;
        const size_t within = at % kSectorBytes;
        const size_t count = std::min<size_t>(kSectorBytes - within, length - done);
        const auto it = sectors_.find(at / kSectorBytes);
        if (it == sectors_.end())
            std::fill_n(bytes + done, count, uint8_t{0});
        else
            std::copy_n(it->second.begin() + within, count, bytes + done);
        done += count;
    }
}

void FakeDiskAccess::WriteBytes(uint64_t offset, const uint8_t* bytes, size_t length) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++writes;
    actsOnReplaced += sameDisk ? 0 : 1;
    for (size_t done = 0; done < length;) {
        const uint64_t at = offset + done;
        const size_t within = at % kSectorBytes;
        const size_t count = std::min<size_t>(kSectorBytes - within, length - done);
        auto it = sectors_.find(at / kSectorBytes);
        if (it == sectors_.end() &&
            std::all_of(bytes + done, bytes + done + count, [](uint8_t b) { return b == 0; })) {
            done += count;
            continue;  // stays sparse
        }
        if (it == sectors_.end())
            it = sectors_.emplace(at / kSectorBytes, MbrSector{}).first;
        std::copy_n(bytes + done, count, it->second.begin() + within);
        done += count;
    }
}

bool FakeDiskAccess::Check(WString& why) {
    if (replacedAtCheck >= 0 && identityChecks >= replacedAtCheck)
        sameDisk = false;
    ++identityChecks;
    if (!sameDisk)
        why = u"the USB removable disk was replaced.";
    return sameDisk;
}

std::unique_ptr<Disk> FakeDiskAccess::OpenDisk(const UsbDiskInfo&, DiskUse use, WString& why) {
    if (!Check(why) || (failOpen && use == DiskUse::Write))
        return nullptr;
    return std::make_unique<FakeDisk>(*this);
}

std::unique_ptr<LockedVolume> FakeDiskAccess::LockVolume(const UsbDiskInfo& disk) {
    actsOnReplaced += sameDisk ? 0 : 1;  // locks and dismounts the volume
    if (failLock)
        return nullptr;
    return std::make_unique<FakeVolume>(*this, disk.PartitionStartSector * kSectorBytes);
}

bool FakeDiskAccess::Dismount(const Disk&, const UsbDiskInfo&, std::vector<WString>&, WString&) {
    actsOnReplaced += sameDisk ? 0 : 1;
    return true;
}

bool FakeDiskAccess::VolumeStartSector(const UsbDiskInfo&, uint64_t& sector) {
    MbrSector mbr{};
    Read(0, mbr.data(), mbr.size());
    DriveLayout layout;
    if (!DecodeMbr(mbr, diskBytes, layout) || volumeSlot >= layout.Partitions.size())
        return false;
    sector = layout.Partitions[volumeSlot].StartingOffset / kSectorBytes;
    return true;
}

bool FakeDiskAccess::LabelVolume(const Disk&, const UsbDiskInfo&, WStringView newLabel) {
    actsOnReplaced += sameDisk ? 0 : 1;
    label = WString(newLabel);
    return true;
}

WString FakeDiskAccess::FormatterCommandLine(const Disk&, const UsbDiskInfo& disk,
                                             WStringView newLabel) {
    ++formatterRuns;
    actsOnReplaced += sameDisk ? 0 : 1;
    if (formatterExit != 0)
        return u"\"" + childProgram + u"\" exit " +
               platform::FromUtf8(std::to_string(formatterExit));
    return u"\"" + childProgram + u"\" args \"" + formatterLog + u"\" " +
           platform::FromUtf8(std::to_string(disk.PartitionStartSector)) + u" " +
           platform::FromUtf8(std::to_string(disk.TotalKB)) + u" " + WString(newLabel);
}

bool FakeDiskAccess::CopyToVolume(const Disk&, const UsbDiskInfo&, WStringView folder) {
    actsOnReplaced += sameDisk ? 0 : 1;
    return platform::CopyTree(platform::JoinPath(folder, u"*"), filesFolder);
}

WString FakeDiskAccess::InstallerCommandLine(const Disk&, const UsbDiskInfo&, WStringView) {
    actsOnReplaced += sameDisk ? 0 : 1;
    if (!installerPresent)
        return u"\"" + platform::JoinPath(filesFolder, u"no-such-installer") + u"\"";
    if (installerExit != 0)
        return u"\"" + childProgram + u"\" exit " +
               platform::FromUtf8(std::to_string(installerExit));
    if (!installerWritesLdlinux)
        return u"\"" + childProgram + u"\" exit 0";
    return u"\"" + childProgram + u"\" args \"" + platform::JoinPath(filesFolder, u"ldlinux.sys") +
           u"\" -m -a";
}

bool FakeDiskAccess::FinishBootLoader(Disk&, const UsbDiskInfo&, WStringView) {
    actsOnReplaced += sameDisk ? 0 : 1;
    return true;
}

bool FakeDiskAccess::VolumeHasFile(Disk&, const UsbDiskInfo&, WStringView name) {
    return platform::PathExists(platform::JoinPath(filesFolder, name));
}

}  // namespace wizard::testing

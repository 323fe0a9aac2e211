#include "wizard/media/testing/fake_disk_access.h"

#include <algorithm>

#include "platform/files.h"

namespace wizard::testing {

using platform::WString;
using platform::WStringView;

class FakeDisk : public Disk {
  public:
    explicit FakeDisk(FakeDiskAccess& access) : access_(access) {}
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
    for (size_t i = 0; i < length; ++i) {
        const uint64_t at = offset + i;
        const auto it = sectors_.find(at / kSectorBytes);
        bytes[i] = it == sectors_.end() ? 0 : it->second[at % kSectorBytes];
    }
}

void FakeDiskAccess::WriteBytes(uint64_t offset, const uint8_t* bytes, size_t length) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++writes;
    for (size_t i = 0; i < length; ++i) {
        const uint64_t at = offset + i;
        auto it = sectors_.find(at / kSectorBytes);
        if (it == sectors_.end()) {
            if (bytes[i] == 0)
                continue;  // stays sparse
            it = sectors_.emplace(at / kSectorBytes, MbrSector{}).first;
        }
        it->second[at % kSectorBytes] = bytes[i];
    }
}

std::unique_ptr<Disk> FakeDiskAccess::OpenDisk(const UsbDiskInfo&) {
    if (failOpen)
        return nullptr;
    return std::make_unique<FakeDisk>(*this);
}

std::unique_ptr<LockedVolume> FakeDiskAccess::LockVolume(const UsbDiskInfo& disk) {
    if (failLock)
        return nullptr;
    return std::make_unique<FakeVolume>(*this, disk.PartitionStartSector * kSectorBytes);
}

bool FakeDiskAccess::IsSameDisk(const UsbDiskInfo&, WString& why) {
    if (replacedAtCheck >= 0 && identityChecks >= replacedAtCheck)
        sameDisk = false;
    ++identityChecks;
    if (!sameDisk)
        why = u"the USB removable disk was replaced.";
    return sameDisk;
}

bool FakeDiskAccess::LabelVolume(const UsbDiskInfo&, WStringView newLabel) {
    label = WString(newLabel);
    return true;
}

WString FakeDiskAccess::FormatterCommandLine(const UsbDiskInfo& disk, WStringView newLabel) {
    ++formatterRuns;
    if (formatterExit != 0)
        return u"\"" + childProgram + u"\" exit " +
               platform::FromUtf8(std::to_string(formatterExit));
    return u"\"" + childProgram + u"\" args \"" + formatterLog + u"\" " +
           platform::FromUtf8(std::to_string(disk.PartitionStartSector)) + u" " +
           platform::FromUtf8(std::to_string(disk.TotalKB)) + u" " + WString(newLabel);
}

bool FakeDiskAccess::CopyToVolume(const UsbDiskInfo&, WStringView folder) {
    return platform::CopyTree(platform::JoinPath(folder, u"*"), filesFolder);
}

WString FakeDiskAccess::InstallerCommandLine(const UsbDiskInfo&, WStringView) {
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

bool FakeDiskAccess::FinishBootLoader(const UsbDiskInfo&, WStringView) {
    return true;
}

bool FakeDiskAccess::VolumeHasFile(const UsbDiskInfo&, WStringView name) {
    return platform::PathExists(platform::JoinPath(filesFolder, name));
}

}  // namespace wizard::testing

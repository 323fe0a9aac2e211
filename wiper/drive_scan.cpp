#include "wiper/drive_scan.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace wiper {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Trimmed(std::string text) {
    const auto blank = [](unsigned char c) { return c <= ' ' || c == 0x7F; };
    while (!text.empty() && blank(static_cast<unsigned char>(text.back())))
        text.pop_back();
    size_t start = 0;
    while (start < text.size() && blank(static_cast<unsigned char>(text[start])))
        ++start;
    text.erase(0, start);
    // What is shown on the console and in the log stays printable.
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < ' ' || c == 0x7F)
            c = '?';
    }
    return text;
}

uint64_t ReadNumber(const fs::path& path) {
    const std::string text = Trimmed(ReadText(path));
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > UINT64_MAX / 10 - 1)
            return 0;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

// The serial number of the USB device a disk hangs off: the nearest device
// folder above the disk's with an idVendor file.
std::string UsbSerial(const fs::path& disk) {
    std::error_code error;
    fs::path at = fs::canonical(disk / "device", error);
    for (; !error && at.has_relative_path() && at != at.parent_path(); at = at.parent_path()) {
        if (fs::exists(at / "idVendor"))
            return Trimmed(ReadText(at / "serial"));
    }
    return {};
}

// The serial number as the kernel offers it: a file of the device (NVMe, MMC)
// or of the disk (virtio), the SCSI unit serial number page (also ATA disks
// through libata), or the USB device's serial number.
std::string Serial(const fs::path& disk) {
    for (const char* file : {"device/serial", "serial"}) {
        const std::string serial = Trimmed(ReadText(disk / file));
        if (!serial.empty())
            return serial;
    }
    const std::string page = ReadText(disk / "device/vpd_pg80");
    if (page.size() > 4) {
        const size_t length =
            std::min<size_t>(static_cast<unsigned char>(page[3]), page.size() - 4);
        const std::string serial = Trimmed(page.substr(4, length));
        if (!serial.empty())
            return serial;
    }
    return UsbSerial(disk);
}

// Whether the disk's device path runs through a USB bus (a "usbN" component).
bool OnUsb(const fs::path& disk) {
    std::error_code error;
    const fs::path real = fs::canonical(disk, error);
    if (error)
        return false;
    for (const fs::path& part : real) {
        const std::string s = part.string();
        if (s.size() > 3 && s.starts_with("usb") &&
            std::all_of(s.begin() + 3, s.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return true;
    }
    return false;
}

std::vector<Volume> Volumes(const fs::path& disk, const std::string& name) {
    std::vector<Volume> volumes;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(disk, error)) {
        const std::string child = entry.path().filename().string();
        if (child.starts_with(name) && fs::exists(entry.path() / "partition"))
            volumes.push_back({child, ReadNumber(entry.path() / "start") * 512});
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const Volume& a, const Volume& b) { return a.offset < b.offset; });
    if (volumes.empty())
        volumes.push_back({name, 0});
    return volumes;
}

// Why a disk is not offered for wiping; empty when it is.
std::string SkipReason(const fs::path& disk, const std::string& name) {
    for (const char* prefix : {"loop", "ram", "zram"}) {
        if (name.starts_with(prefix))
            return "a virtual disk in memory or a file";
    }
    if (name.starts_with("sr") || Trimmed(ReadText(disk / "device/type")) == "5")
        return "an optical drive";
    if (!fs::exists(disk / "device"))
        return "no hardware behind it";
    if (ReadNumber(disk / "size") == 0)
        return "no medium";
    return {};
}

}  // namespace

DriveClass ClassifyDrive(bool removable, bool usb, bool rotational, bool hybrid) {
    if (removable || usb)
        return DriveClass::Removable;
    if (!rotational)
        return DriveClass::Ssd;
    return hybrid ? DriveClass::Hybrid : DriveClass::Hdd;
}

void Classify(DriveInfo& drive) {
    drive.driveClass =
        ClassifyDrive(drive.removableFlag, drive.usb, drive.rotational, drive.hybrid);
}

std::vector<DriveInfo> ScanDrives(const std::string& sysRoot, std::vector<SkippedDisk>& skipped) {
    std::vector<DriveInfo> drives;
    skipped.clear();
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(sysRoot) / "block", error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const fs::path disk = fs::path(sysRoot) / "block" / name;
        if (std::string reason = SkipReason(disk, name); !reason.empty()) {
            skipped.push_back({name, std::move(reason)});
            continue;
        }
        DriveInfo d;
        d.name = name;
        d.sizeBytes = ReadNumber(disk / "size") * 512;
        d.model = Trimmed(ReadText(disk / "device/model"));
        d.serial = Serial(disk);
        d.removableFlag = Trimmed(ReadText(disk / "removable")) == "1";
        d.usb = OnUsb(disk);
        d.rotational = Trimmed(ReadText(disk / "queue/rotational")) != "0";
        d.volumes = Volumes(disk, name);
        Classify(d);
        drives.push_back(std::move(d));
    }
    return drives;
}

}  // namespace wiper

#include "wizard/media/linux/disk_identity.h"

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <charconv>
#include <filesystem>
#include <fstream>

namespace wizard {
namespace fs = std::filesystem;

std::string ReadFirstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string DeviceNumberText(dev_t device) {
    return std::to_string(major(device)) + ":" + std::to_string(minor(device));
}

std::string BlockName(const LinuxRoots& roots, const std::string& number) {
    std::error_code error;
    const fs::path folder = fs::canonical(fs::path(roots.sys) / "dev" / "block" / number, error);
    return error ? std::string() : folder.filename().string();
}

std::string DiskSerial(const LinuxRoots& roots, const std::string& name) {
    std::error_code error;
    const fs::path sys = fs::path(roots.sys);
    for (fs::path folder = fs::canonical(sys / "class" / "block" / name, error);
         !error && !folder.empty() && folder != sys && folder != folder.parent_path();
         folder = folder.parent_path()) {
        if (fs::exists(folder / "serial"))
            return ReadFirstLine(folder / "serial");
    }
    return {};
}

std::string DiskModel(const LinuxRoots& roots, const std::string& name) {
    const fs::path device = fs::path(roots.sys) / "class" / "block" / name / "device";
    std::string model;
    for (const char* part : {"vendor", "model"}) {
        std::string text = ReadFirstLine(device / part);
        text.erase(text.find_last_not_of(' ') + 1);
        text.erase(0, text.find_first_not_of(' '));
        if (!text.empty())
            model += (model.empty() ? "" : " ") + text;
    }
    return model;
}

bool ReadDiskIdentity(const LinuxRoots& roots, int fd, DiskIdentity& identity) {
    struct stat info {};
    if (fstat(fd, &info) != 0)
        return false;
    identity = DiskIdentity{};
    if (S_ISREG(info.st_mode)) {
        identity.Device = info.st_dev;
        identity.Inode = info.st_ino;
        identity.Bytes = static_cast<uint64_t>(info.st_size);
        return true;
    }
    if (!S_ISBLK(info.st_mode) || ioctl(fd, BLKGETSIZE64, &identity.Bytes) != 0)
        return false;
    identity.Device = info.st_rdev;
    const std::string name = BlockName(roots, DeviceNumberText(info.st_rdev));
    // Kernels before 5.15 have no sequence number: the device number, size
    // and serial must do.
    uint64_t sequence = 0;
    if (ioctl(fd, BLKGETDISKSEQ, &sequence) != 0 && !name.empty()) {
        const std::string text =
            ReadFirstLine(fs::path(roots.sys) / "class" / "block" / name / "diskseq");
        if (std::from_chars(text.data(), text.data() + text.size(), sequence).ec != std::errc())
            sequence = 0;
    }
    identity.Sequence = sequence;
    if (!name.empty())
        identity.Serial = platform::FromUtf8(DiskSerial(roots, name));
    return true;
}

}  // namespace wizard

#include "wiper/linux/drive_discovery.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "wiper/ata_options.h"
#include "wiper/boot_medium.h"
#include "wiper/linux/disk_target.h"
#include "wiper/linux/sg_ata_port.h"
#include "wiper/linux/system.h"
#include "wizard/media/linux/unique_fd.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;

std::string FirstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::vector<std::string> DiskNames(const std::string& sysRoot) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(sysRoot) / "block", error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The marker file on a FAT volume, mounted read-only for the look.
bool MarkerOnVolume(const std::string& device) {
    bool found = false;
    std::string error;
    WithMounted(
        {device, "vfat", "", true},
        [&](const std::string& folder) {
            std::ifstream in(folder + "/.disk/info");
            std::stringstream text;
            text << in.rdbuf();
            found = in.good() || in.eof() ? IsMediumMarker(text.str()) : false;
            return true;
        },
        error);
    return found;
}

// Why the drive does not take ATA commands; empty when it does. Fills in what
// IDENTIFY tells.
std::string AskAta(const std::string& device, DriveInfo& info) {
    wizard::UniqueFd fd(open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
    if (!fd)
        return "cannot open " + device;
    SgAtaPort port(fd.get());
    AtaIdentity id;
    std::string error;
    if (!IdentifyDrive(port, id, error))
        return error;
    // sysfs shows the SCSI product name (16 characters); IDENTIFY the whole model.
    if (!id.model.empty())
        info.model = id.model;
    if (info.serial.empty())
        info.serial = id.serial;
    info.hybrid = id.hybrid;
    return {};
}

}  // namespace

void WaitForDrives(const std::string& sysRoot, double quietSeconds, double maxSeconds) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto changed = start;
    std::vector<std::string> last = DiskNames(sysRoot);
    while (true) {
        const auto now = Clock::now();
        if (std::chrono::duration<double>(now - changed).count() >= quietSeconds ||
            std::chrono::duration<double>(now - start).count() >= maxSeconds)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        std::vector<std::string> names = DiskNames(sysRoot);
        if (names != last) {
            last = std::move(names);
            changed = Clock::now();
        }
    }
}

Discovery DiscoverDrives(const std::string& sysRoot, const std::string& devRoot) {
    Discovery found;
    for (DriveInfo& info : ScanDrives(sysRoot, found.skipped)) {
        const std::string device = devRoot + "/" + info.name;
        const DiskReader read = [&](uint64_t offset, std::span<uint8_t> bytes) {
            return ReadDiskBytes(device, offset, bytes.data(), bytes.size());
        };
        size_t volume = 0;
        std::string sign = WipingMediumSign(read, info.volumes, volume);
        for (size_t i = 0; sign.empty() && i < info.volumes.size(); ++i) {
            const std::string volumeDevice = devRoot + "/" + info.volumes[i].name;
            if (HoldsFat(read, info.volumes[i].offset) && MarkerOnVolume(volumeDevice)) {
                sign = "marker /.disk/info";
                volume = i;
            }
        }
        if (!sign.empty()) {
            if (found.mediumVolume.empty())
                found.mediumVolume = devRoot + "/" + info.volumes[volume].name;
            found.skipped.push_back({info.name, "the wiping medium (" + sign + ")"});
            continue;
        }
        FoundDrive d;
        d.listed = info;
        d.device = device;
        d.devNumber = FirstLine(fs::path(sysRoot) / "block" / info.name / "dev");
        d.ataMissing = AskAta(device, info);
        d.ata = d.ataMissing.empty();
        Classify(info);
        d.info = std::move(info);
        found.drives.push_back(std::move(d));
    }
    return found;
}

bool StillListedAs(const std::string& sysRoot, const FoundDrive& drive) {
    std::vector<SkippedDisk> skipped;
    for (const DriveInfo& now : ScanDrives(sysRoot, skipped)) {
        if (now.name == drive.listed.name)
            return now.sizeBytes == drive.listed.sizeBytes && now.serial == drive.listed.serial;
    }
    return false;
}

}  // namespace wiper

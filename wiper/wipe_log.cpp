#include "wiper/wipe_log.h"

#include <cstdio>

namespace wiper {

std::string SizeText(uint64_t bytes) {
    static constexpr const char* kUnits[] = {"bytes", "KiB", "MiB", "GiB", "TiB", "PiB"};
    double value = static_cast<double>(bytes);
    size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(kUnits)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    if (unit == 0 || value >= 100 || value == static_cast<double>(static_cast<uint64_t>(value)))
        std::snprintf(text, sizeof text, "%.0f %s", value, kUnits[unit]);
    else
        std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string ResultText(const DriveRecord& d) {
    switch (d.result) {
        case DriveResult::Wiped:
            return d.verifications > 0 ? "wiped and verified" : "wiped";
        case DriveResult::Failed:
            return "FAILED: " + d.failure;
        case DriveResult::NotWiped:
            break;
    }
    return "not wiped: " + d.failure;
}

std::string RenderLog(const RunRecord& run) {
    std::string t;
    t += "Quelix Omnisweep wiping log\n";
    t += "program: quelix-wipe " + run.version + "\n";
    t += "boot time: " + run.bootTime + "\n";
    t += "configuration sha256: " + run.configDigest + "\n";
    t += "work mode: " + run.mode + "\n";
    for (const std::string& note : run.notes)
        t += note + "\n";
    for (const DriveRecord& d : run.drives) {
        t += "\n";
        t += "drive " + d.drive.name + "\n";
        t += "  model: " + d.drive.model + "\n";
        t += "  serial: " + d.drive.serial + "\n";
        t += "  size: " + std::to_string(d.drive.sizeBytes) + " bytes (" +
             SizeText(d.drive.sizeBytes) + ")\n";
        t += std::string("  class: ") + DriveClassName(d.drive.driveClass) + "\n";
        t += "  scheme: " + d.scheme + " (" + d.schemeFile + ")" +
             (d.verification ? ", verification on" : "") + "\n";
        for (const std::string& note : d.notes)
            t += "  " + note + "\n";
        for (const PassRecord& p : d.passes) {
            t += "  " + p.description + ": started " + p.started + ", ended " + p.ended + ", " +
                 p.result + "\n";
        }
        if (d.verifications > 0)
            t += "  verification: verified (" + std::to_string(d.verifications) +
                 (d.verifications == 1 ? " pass" : " passes") + " read back equal)\n";
        t += "  result: " + ResultText(d) + "\n";
    }
    return t;
}

std::string RenderSummary(const RunRecord& run) {
    std::string t = "Summary:\n";
    if (run.drives.empty())
        t += "  no drive was wiped\n";
    char line[512];
    for (const DriveRecord& d : run.drives) {
        std::snprintf(line, sizeof line, "  %-8s %-11s %10s  %-20s %-28s %s\n",
                      d.drive.name.c_str(), DriveClassName(d.drive.driveClass),
                      SizeText(d.drive.sizeBytes).c_str(), d.drive.serial.c_str(), d.scheme.c_str(),
                      ResultText(d).c_str());
        t += line;
    }
    return t;
}

}  // namespace wiper

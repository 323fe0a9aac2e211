// The mount table of /proc/self/mountinfo: device number, mount point and
// file system type of every mount. A pure parser (the text is untrusted) plus
// a reader; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wizard {

struct MountEntry {
    std::string DeviceNumber;  // "major:minor"
    std::string MountPoint;    // octal escapes (\040 ...) decoded
    std::string FileSystemType;
    std::string Source;
};

// Lines that do not have the mountinfo form are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);
std::vector<MountEntry> ReadMountInfo(const std::string& path);

}  // namespace wizard

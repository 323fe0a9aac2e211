#include "wizard/app/cli/reproducible_build.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace wizard::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPayloadEntries[] = {"common",  "iso",        "boot",   "flash",
                                           "schemes", "addons.txt", "mbr.bin"};

std::optional<uint32_t> ParseEpoch(const std::string& text) {
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const unsigned long long value = std::stoull(text);
    if (value > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

// The newest modification time of the files at or below path (links followed
// as a copy follows them); newest stays as it is when there are none.
void NewestFileTime(const fs::path& path, std::optional<int64_t>& newest) {
    std::error_code error;
    const auto note = [&](const fs::path& file) {
        struct stat info {};
        if (stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            (!newest || info.st_mtim.tv_sec > *newest))
            newest = info.st_mtim.tv_sec;
    };
    if (!fs::is_directory(path, error)) {
        note(path);
        return;
    }
    for (fs::recursive_directory_iterator it(path, error), end; !error && it != end;
         it.increment(error))
        note(it->path());
}

}  // namespace

bool ResolveBuildStamp(bool reproducible, const char* sourceDateEpoch,
                       platform::WStringView programFolder, BuildStamp& stamp, std::string& error) {
    stamp = {};
    if (sourceDateEpoch != nullptr && *sourceDateEpoch != '\0') {
        stamp.time = ParseEpoch(sourceDateEpoch);
        if (!stamp.time) {
            error = std::string(
                        "SOURCE_DATE_EPOCH must be a number of seconds since 1970 (0 to "
                        "4294967295), not '") +
                    sourceDateEpoch + "'";
            return false;
        }
        return true;
    }
    if (!reproducible)
        return true;
    const fs::path folder(platform::ToUtf8(programFolder));
    std::optional<int64_t> newest;
    for (const char* entry : kPayloadEntries)
        NewestFileTime(folder / entry, newest);
    if (!newest || *newest < 0 || *newest > int64_t{UINT32_MAX}) {
        error = "--reproducible: no payload file with a usable time in " + folder.string() +
                " (set SOURCE_DATE_EPOCH instead)";
        return false;
    }
    stamp.time = static_cast<uint32_t>(*newest);
    return true;
}

void ExportStampToTools(const BuildStamp& stamp) {
    if (!stamp.time)
        return;
    setenv("SOURCE_DATE_EPOCH", std::to_string(*stamp.time).c_str(), 1);
    setenv("TZ", "UTC0", 1);
}

bool PrepareBuildStamp(const CliOptions& options, platform::WStringView programFolder,
                       BuildStamp& stamp) {
    std::string error;
    if (!ResolveBuildStamp(options.reproducible, std::getenv("SOURCE_DATE_EPOCH"), programFolder,
                           stamp, error)) {
        std::fprintf(stderr, "mediawizard: %s\n", error.c_str());
        return false;
    }
    ExportStampToTools(stamp);
    return true;
}

}  // namespace wizard::cli

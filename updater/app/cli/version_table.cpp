#include "updater/app/cli/version_table.h"

#include <algorithm>
#include <array>

#include "updater/app/updater_strings.h"

namespace updater::cli {
namespace {

constexpr size_t kColumns = 5;
using Line = std::array<std::string, kColumns>;

std::string Title(const StringResources& strings, unsigned id) {
    platform::WString text;
    strings.Load(id, text);
    return platform::ToUtf8(text);
}

// Width in characters (code points) of a UTF-8 text.
size_t Width(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace

std::string VersionTableText(const std::vector<VersionRow>& rows, const StringResources& strings) {
    std::vector<Line> lines;
    lines.push_back({Title(strings, kStrColumnFile), Title(strings, kStrColumnCurrent),
                     Title(strings, kStrColumnNew), Title(strings, kStrColumnLocation),
                     Title(strings, kStrColumnOs)});
    for (const VersionRow& row : rows) {
        lines.push_back({platform::ToUtf8(row.fileName), platform::ToUtf8(row.currentVersion),
                         platform::ToUtf8(row.newVersion), platform::ToUtf8(row.location),
                         platform::ToUtf8(row.os)});
    }
    std::array<size_t, kColumns> widths{};
    for (const Line& line : lines) {
        for (size_t i = 0; i < kColumns; ++i)
            widths[i] = std::max(widths[i], Width(line[i]));
    }
    std::string text;
    for (size_t n = 0; n < lines.size(); ++n) {
        std::string out = lines[n][0] + std::string(widths[0] - Width(lines[n][0]), ' ');
        for (size_t i = 1; i < kColumns; ++i)
            out += "  " + std::string(widths[i] - Width(lines[n][i]), ' ') + lines[n][i];
        if (n > 0 && rows[n - 1].state == kVersionNewer)
            out += " *";
        else if (n > 0 && rows[n - 1].state == kVersionOlder)
            out += " <";
        while (!out.empty() && out.back() == ' ')
            out.pop_back();
        text += out + "\n";
    }
    return text;
}

}  // namespace updater::cli

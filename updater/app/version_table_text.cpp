#include "updater/app/version_table_text.h"

#include <algorithm>
#include <array>

#include "updater/app/flow_text.h"
#include "updater/app/updater_strings.h"

namespace updater {
namespace {

constexpr size_t kColumns = 6;  // the mark, then the list's five columns
using Cells = std::array<platform::WString, kColumns>;

// Characters on the terminal: code points (a surrogate pair counts once).
size_t Width(const platform::WString& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(),
                                             [](char16_t c) { return c < 0xDC00 || c > 0xDFFF; }));
}

platform::WString Mark(const VersionRow& row) {
    if (row.currentVersion.empty() || row.newVersion.empty())
        return {};
    switch (row.state) {
        case kVersionNewer:
            return u"<";
        case kVersionOlder:
            return u">";
        default:
            return u"=";
    }
}

std::string Line(const Cells& cells, const std::array<size_t, kColumns>& widths) {
    platform::WString line;
    for (size_t i = 0; i < kColumns; ++i) {
        const platform::WString padding(widths[i] - Width(cells[i]), u' ');
        if (i > 0)
            line += u"  ";
        // The mark and the file name are aligned left, the rest right.
        line += i < 2 ? cells[i] + padding : padding + cells[i];
    }
    line.erase(line.find_last_not_of(u' ') + 1);
    return platform::ToUtf8(line) + "\n";
}

}  // namespace

std::string TextVersionTable::Render(const StringResources& strings) const {
    std::vector<Cells> table;
    table.push_back({u"", LoadFlowText(strings, kStrColumnFile),
                     LoadFlowText(strings, kStrColumnCurrent), LoadFlowText(strings, kStrColumnNew),
                     LoadFlowText(strings, kStrColumnLocation),
                     LoadFlowText(strings, kStrColumnOs)});
    for (const VersionRow& row : rows_)
        table.push_back(
            {Mark(row), row.fileName, row.currentVersion, row.newVersion, row.location, row.os});
    std::array<size_t, kColumns> widths{};
    for (const Cells& cells : table)
        for (size_t i = 0; i < kColumns; ++i)
            widths[i] = std::max(widths[i], Width(cells[i]));
    std::string out;
    for (const Cells& cells : table)
        out += Line(cells, widths);
    return out;
}

}  // namespace updater

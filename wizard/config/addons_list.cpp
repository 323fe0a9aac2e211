#include "wizard/config/addons_list.h"

namespace wizard {
namespace {

// White space as the C library's isspace sees it in the "C" locale.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view TrimEnd(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

bool ParseAddonsLine(std::string_view line, AddonEntry& entry) {
    line = TrimEnd(line);
    if (line.size() > kAddonsMaxLine || line.find('\0') != std::string_view::npos) {
        return false;
    }
    std::size_t end = 0;
    while (end < line.size() && !IsBlank(line[end])) {
        ++end;
    }
    std::size_t start = end;
    while (start < line.size() && IsBlank(line[start])) {
        ++start;
    }
    if (end == 0 || start == end || start == line.size()) {
        return false;
    }
    entry.localName.assign(line.substr(0, end));
    entry.memberName.assign(line.substr(start));
    return true;
}

std::vector<AddonEntry> ParseAddonsText(std::string_view text) {
    std::vector<AddonEntry> entries;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        const std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        AddonEntry entry;
        if (ParseAddonsLine(line, entry)) {
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

}  // namespace wizard

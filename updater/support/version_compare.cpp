#include "updater/support/version_compare.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

namespace updater {
namespace {

using Fields = std::array<int64_t, 4>;

bool IsSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// One "%d" as sscanf reads it: blanks, an optional sign, digits. The value
// saturates at the int range instead of overflowing.
bool ReadInt(platform::WStringView text, size_t& pos, int64_t& value) {
    size_t p = pos;
    while (p < text.size() && IsSpace(text[p]))
        ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == u'-' || text[p] == u'+'))
        negative = text[p++] == u'-';
    const size_t digits = p;
    int64_t v = 0;
    while (p < text.size() && text[p] >= u'0' && text[p] <= u'9') {
        v = std::min<int64_t>(v * 10 + (text[p] - u'0'), int64_t(INT_MAX) + 1);
        ++p;
    }
    if (p == digits)
        return false;
    value = negative ? -v : std::min<int64_t>(v, INT_MAX);
    value = std::max<int64_t>(value, INT_MIN);
    pos = p;
    return true;
}

// Reads "%d<sep>%d<sep>%d<sep>%d"; returns how many numbers were read.
int ReadFields(platform::WStringView text, char16_t separator, Fields& fields) {
    fields = {};
    size_t pos = 0;
    int count = 0;
    while (count < 4 && ReadInt(text, pos, fields[count])) {
        ++count;
        if (count == 4 || pos >= text.size() || text[pos] != separator)
            break;
        ++pos;
    }
    return count;
}

int ReadVersion(platform::WStringView text, Fields& fields) {
    const int count = ReadFields(text, u'.', fields);
    return count == 1 ? ReadFields(text, u',', fields) : count;
}

}  // namespace

int CompareVersions(platform::WStringView a, platform::WStringView b, int& fieldCount) {
    Fields fa;
    Fields fb;
    fieldCount = std::min(ReadVersion(a, fa), ReadVersion(b, fb));
    for (size_t i = 0; i < fa.size(); ++i) {
        if (fa[i] != fb[i])
            return static_cast<int>(std::clamp<int64_t>(fa[i] - fb[i], INT_MIN, INT_MAX));
    }
    return 0;
}

}  // namespace updater

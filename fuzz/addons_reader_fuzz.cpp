// Arbitrary bytes as addons.txt. Every entry read must name a local file
// without white space and a member name that starts and ends with no white
// space, holds no NUL and no line end, and reads back as the same entry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/require.h"
#include "wizard/config/addons_list.h"

using qo::fuzz::Require;

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const wizard::AddonEntry& entry : wizard::ParseAddonsText(text)) {
        Require(!entry.localName.empty() && !entry.memberName.empty());
        for (char c : entry.localName) {
            Require(!IsBlank(c) && c != '\0');
        }
        Require(entry.memberName.find_first_of("\n\0", 0, 2) == std::string::npos);
        Require(!IsBlank(entry.memberName.front()) && !IsBlank(entry.memberName.back()));
        wizard::AddonEntry again;
        Require(wizard::ParseAddonsLine(entry.localName + " " + entry.memberName, again));
        Require(again.localName == entry.localName && again.memberName == entry.memberName);
    }
    return 0;
}

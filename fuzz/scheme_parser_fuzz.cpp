// Scheme file parser: any bytes give an accepted scheme with sane counts, or
// are left out; never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/bootconfig/scheme_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    wizard::WipeScheme scheme;
    if (wizard::ParseSchemeText(text, scheme)) {
        if (scheme.DisplayName.empty() || scheme.PassCount < 1 ||
            scheme.SchemeWeight < scheme.PassCount) {
            std::abort();
        }
    }
    // The passes the environment runs are exactly the ones the catalogue counts.
    std::string name;
    std::vector<wizard::SchemePass> passes;
    const bool planned = wizard::ParseSchemePasses(text, name, passes);
    if (planned != wizard::ParseSchemeText(text, scheme) ||
        (planned && static_cast<int32_t>(passes.size()) != scheme.PassCount))
        std::abort();
    for (const wizard::SchemePass& p : passes) {
        if ((p.type == wizard::PassType::Pattern) !=
            (!p.pattern.empty() &&
             p.pattern.size() <= static_cast<size_t>(wizard::kMaxPatternLength)))
            std::abort();
    }
    const int32_t length = wizard::PatternLength(text);
    if (static_cast<size_t>(length) != wizard::PatternBytes(text).size())
        std::abort();
    if (length < 0 || length > wizard::kMaxPatternLength)
        std::abort();
    return 0;
}

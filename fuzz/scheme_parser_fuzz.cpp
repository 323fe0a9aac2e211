// Scheme file parser: any bytes give an accepted scheme with sane counts, or
// are left out; never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

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
    const int32_t length = wizard::PatternLength(text);
    if (length < 0 || length > wizard::kMaxPatternLength)
        std::abort();
    return 0;
}

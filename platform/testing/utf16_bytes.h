// Test helper: the bytes a registry string value holds (UTF-16 little-endian,
// with the terminating NUL unless told otherwise).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/text.h"

namespace platform::testing {

inline std::vector<uint8_t> Utf16Bytes(WStringView text, bool withNul = true) {
    std::vector<uint8_t> out;
    for (const char16_t c : text) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    if (withNul)
        out.insert(out.end(), {0, 0});
    return out;
}

}  // namespace platform::testing

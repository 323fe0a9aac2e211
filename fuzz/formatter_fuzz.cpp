// Arbitrary patterns into the updater's formatter with a fixed argument list
// and a capacity taken from the input. The output is formatted into a block
// of exactly that capacity, so any write past it is caught; the text must be
// terminated within it and be a prefix of the same pattern formatted uncut.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz/require.h"
#include "updater/support/formatter.h"

using qo::fuzz::Require;

namespace {

char16_t* FormatFixed(char16_t* out, size_t capacity, platform::WStringView pattern) {
    static int target = 0;
    const updater::FormatArg args[] = {u"first",          42,  nullptr, 2.5,      -7, &target,
                                       uint64_t(1) << 40, u"", 600,     u"ninth", 'x'};
    return updater::FormatArgs(out, capacity, pattern, args);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const size_t capacity = (size_t(data[0]) << 4 | data[1] >> 4) % 2048;
    platform::WString pattern;
    for (size_t i = 2; i + 1 < size; i += 2)
        pattern += static_cast<char16_t>(data[i] | data[i + 1] << 8);

    auto out = std::make_unique<char16_t[]>(capacity ? capacity : 1);
    Require(FormatFixed(out.get(), capacity, pattern) == out.get());
    if (capacity == 0)
        return 0;
    const std::u16string_view text(out.get(), std::char_traits<char16_t>::length(out.get()));
    Require(text.size() < capacity);

    constexpr size_t kLarge = 1 << 16;
    auto whole = std::make_unique<char16_t[]>(kLarge);
    FormatFixed(whole.get(), kLarge, pattern);
    const std::u16string_view full(whole.get(), std::char_traits<char16_t>::length(whole.get()));
    // A "%c" of 0 puts a terminator inside; both views stop at the first one.
    Require(full.substr(0, text.size()) == text);
    return 0;
}

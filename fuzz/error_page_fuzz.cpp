// Fuzzes the error page test that every download's first chunk goes through.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "updater/net/error_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view chunk(reinterpret_cast<const char*>(data), size);
    const updater::ErrorPageVerdict verdict = updater::TestErrorPage(chunk);
    // A title is always a part of the chunk.
    if (verdict.title && !verdict.title->empty() &&
        (verdict.title->data() < chunk.data() ||
         verdict.title->data() + verdict.title->size() > chunk.data() + chunk.size()))
        __builtin_trap();
    return 0;
}

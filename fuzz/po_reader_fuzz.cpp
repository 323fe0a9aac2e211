// Fuzz target of the language library's .po reader: any bytes give a result,
// never a crash, and a refused file leaves no entries behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "langfile/po_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    langfile::Catalog catalog;
    const langfile::PoResult result =
        langfile::ReadPo(std::string_view(reinterpret_cast<const char*>(data), size), catalog);
    if (!result.ok && (!catalog.empty() || result.line == 0 || result.error.empty()))
        std::abort();
    return 0;
}

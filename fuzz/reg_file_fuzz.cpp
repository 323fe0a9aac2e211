// Arbitrary bytes into the registry file parser. Whatever parses must write
// back to a file that parses to the very same keys and values, and writing
// that again must give the same text: a store rewritten after a change never
// alters the values it did not touch.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/require.h"
#include "platform/posix/registry_format.h"

using qo::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace platform::regfile;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Document doc;
    if (!Parse(bytes, doc)) {
        Require(doc.sections.empty());
        return 0;
    }
    const std::string text = Serialize(doc);
    Document again;
    Require(Parse(text, again));
    Require(again == doc);
    Require(Serialize(again) == text);
    return 0;
}

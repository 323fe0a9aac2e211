// The mountinfo parser on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "wizard/media/linux/mount_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wizard::ParseMountInfo(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}

// The MBR reader on arbitrary first sectors.
#include <cstddef>
#include <cstdint>
#include <span>

#include "wizard/media/mbr_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wizard::DriveLayout layout;
    wizard::DecodeMbr(std::span(data, size), uint64_t{1} << 40, layout);
    wizard::LooksLikeBootSector(std::span(data, size));
    return 0;
}

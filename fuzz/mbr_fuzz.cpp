// The MBR reader on arbitrary first sectors (and the GPT test on the first
// two).
#include <cstddef>
#include <cstdint>
#include <span>

#include "wizard/media/mbr_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wizard::DriveLayout layout;
    wizard::DecodeMbr(std::span(data, size), uint64_t{1} << 40, layout);
    wizard::LooksLikeBootSector(std::span(data, size));
    const size_t half = size / 2;
    wizard::IsGptDisk(std::span(data, half), std::span(data + half, size - half));
    return 0;
}

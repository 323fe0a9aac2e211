// What a drive answers to ATA commands (IDENTIFY data, sense data with the
// returned registers) is untrusted: any bytes give an answer or false.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "wiper/ata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::array<uint8_t, 512> block{};
    std::copy_n(data, std::min<size_t>(size, block.size()), block.begin());
    wiper::AtaIdentity identity;
    if (wiper::ParseIdentify(block, identity) &&
        (identity.model.size() > 40 || identity.serial.size() > 20))
        std::abort();
    wiper::DcoMaxLba(block);
    wiper::AtaRegisters registers;
    if (wiper::AtaRegistersFromSense(std::span<const uint8_t>(data, size), registers) &&
        registers.lba >> 48 != 0)
        std::abort();
    return 0;
}

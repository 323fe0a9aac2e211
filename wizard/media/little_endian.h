// Little-endian fields of the on-disk structures the media code reads and
// writes (the partition table, the FAT boot sector, the FAT): loads from a
// byte span, stores into a buffer. Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace wizard {

inline uint16_t LoadLe16(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

inline uint32_t LoadLe32(std::span<const uint8_t> bytes, size_t at) {
    return uint32_t{LoadLe16(bytes, at)} | uint32_t{LoadLe16(bytes, at + 2)} << 16;
}

inline void StoreLe16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

inline void StoreLe32(uint8_t* at, uint32_t value) {
    StoreLe16(at, static_cast<uint16_t>(value));
    StoreLe16(at + 2, static_cast<uint16_t>(value >> 16));
}

}  // namespace wizard

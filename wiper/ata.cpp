#include "wiper/ata.h"

#include <algorithm>

namespace wiper {
namespace {

uint16_t Word(std::span<const uint8_t, 512> d, size_t i) {
    return static_cast<uint16_t>(d[2 * i] | d[2 * i + 1] << 8);
}

// ATA strings hold two characters per word, the first in the high byte.
std::string AtaString(std::span<const uint8_t, 512> d, size_t first, size_t words) {
    std::string text;
    for (size_t i = first; i < first + words; ++i) {
        text += static_cast<char>(d[2 * i + 1]);
        text += static_cast<char>(d[2 * i]);
    }
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < ' ' || static_cast<unsigned char>(c) > '~')
            c = ' ';
    }
    const size_t end = text.find_last_not_of(' ');
    const size_t start = text.find_first_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(start, end - start + 1);
}

bool Bit(uint16_t word, int bit) {
    return (word >> bit & 1) != 0;
}

// A word is valid when it is neither 0 nor FFFF.
bool Valid(uint16_t word) {
    return word != 0 && word != 0xFFFF;
}

}  // namespace

std::array<uint8_t, 16> Ata16Cdb(const AtaCommand& c) {
    std::array<uint8_t, 16> cdb{};
    cdb[0] = 0x85;
    uint8_t protocol = 3;  // non-data
    uint8_t flags = 0x20;  // CK_COND: return the registers
    if (c.protocol == AtaProtocol::PioIn) {
        protocol = 4;
        flags = 0x0E;  // T_DIR from the device, BYTE_BLOCK, T_LENGTH in the count field
    } else if (c.protocol == AtaProtocol::PioOut) {
        protocol = 5;
        flags = 0x06;
    }
    cdb[1] = static_cast<uint8_t>(protocol << 1 | (c.ext ? 1 : 0));
    cdb[2] = flags;
    cdb[4] = c.feature;
    cdb[5] = static_cast<uint8_t>(c.ext ? c.count >> 8 : 0);
    cdb[6] = static_cast<uint8_t>(c.count);
    if (c.ext) {
        cdb[7] = static_cast<uint8_t>(c.lba >> 24);
        cdb[9] = static_cast<uint8_t>(c.lba >> 32);
        cdb[11] = static_cast<uint8_t>(c.lba >> 40);
    }
    cdb[8] = static_cast<uint8_t>(c.lba);
    cdb[10] = static_cast<uint8_t>(c.lba >> 8);
    cdb[12] = static_cast<uint8_t>(c.lba >> 16);
    // A 28-bit command carries LBA bits 27:24 in the device register.
    cdb[13] = c.ext ? c.device : static_cast<uint8_t>(c.device | (c.lba >> 24 & 0x0F));
    cdb[14] = c.command;
    return cdb;
}

bool AtaRegistersFromSense(std::span<const uint8_t> sense, AtaRegisters& r) {
    // Descriptor format (response code 72h or 73h), descriptors from byte 8.
    if (sense.size() < 8 || (sense[0] & 0x7F) < 0x72)
        return false;
    const size_t end = std::min<size_t>(sense.size(), 8 + size_t{sense[7]});
    for (size_t at = 8; at + 2 <= end; at += 2 + size_t{sense[at + 1]}) {
        if (sense[at] != 0x09 || at + 14 > end)
            continue;
        const uint8_t* d = sense.data() + at;
        const bool extend = (d[2] & 1) != 0;
        r.error = d[3];
        r.lba = uint64_t{d[7]} | uint64_t{d[9]} << 8 | uint64_t{d[11]} << 16;
        if (extend)
            r.lba |= uint64_t{d[6]} << 24 | uint64_t{d[8]} << 32 | uint64_t{d[10]} << 40;
        else
            r.lba |= uint64_t{d[12] & 0x0Fu} << 24;  // device register bits 3:0
        r.status = d[13];
        return true;
    }
    return false;
}

bool ParseIdentify(std::span<const uint8_t, 512> d, AtaIdentity& id) {
    id = AtaIdentity();
    // Word 0 bit 15 set: not an ATA device. Word 255: signature A5h and a
    // checksum that makes the block's bytes add up to 0.
    if (Bit(Word(d, 0), 15))
        return false;
    if ((Word(d, 255) & 0xFF) == 0xA5) {
        uint8_t sum = 0;
        for (uint8_t b : d)
            sum = static_cast<uint8_t>(sum + b);
        if (sum != 0)
            return false;
    }
    id.serial = AtaString(d, 10, 10);
    id.model = AtaString(d, 27, 20);
    const uint16_t w82 = Word(d, 82), w83 = Word(d, 83);
    const bool w83Valid = (w83 & 0xC000) == 0x4000;
    id.lba48 = w83Valid && Bit(w83, 10);
    id.hpaSupported = (w82 & 0xC000) != 0xC000 && Bit(w82, 10);
    id.dcoSupported = w83Valid && Bit(w83, 11);
    if (id.lba48) {
        id.sectors = uint64_t{Word(d, 100)} | uint64_t{Word(d, 101)} << 16 |
                     uint64_t{Word(d, 102)} << 32 | uint64_t{Word(d, 103)} << 48;
    } else {
        id.sectors = uint64_t{Word(d, 60)} | uint64_t{Word(d, 61)} << 16;
    }
    const uint16_t w128 = Word(d, 128);
    id.securitySupported = Valid(w128) && Bit(w128, 0);
    id.securityEnabled = id.securitySupported && Bit(w128, 1);
    id.securityLocked = id.securitySupported && Bit(w128, 2);
    id.securityFrozen = id.securitySupported && Bit(w128, 3);
    id.securityCountExpired = id.securitySupported && Bit(w128, 4);
    const uint16_t w89 = Word(d, 89);
    // Bit 15 set: the time in minutes (bits 14:0, ACS-3); else 2-minute units
    // in bits 7:0 (255: more than 508 minutes).
    id.eraseMinutes = Bit(w89, 15) ? (w89 & 0x7FFFu) : (w89 & 0xFFu) * 2u;
    const uint16_t w76 = Word(d, 76);
    id.hybrid = Valid(w76) && Bit(Word(d, 78), 9);
    id.nonRotating = Word(d, 217) == 1;
    return true;
}

uint64_t DcoMaxLba(std::span<const uint8_t, 512> d) {
    return uint64_t{Word(d, 3)} | uint64_t{Word(d, 4)} << 16 | uint64_t{Word(d, 5)} << 32 |
           uint64_t{Word(d, 6)} << 48;
}

std::array<uint8_t, 512> SecurityPasswordBlock(std::string_view password) {
    std::array<uint8_t, 512> block{};
    // Word 0: bit 0 = 0 compare the user password; normal erase (bit 1 = 0).
    // Words 1-16: the password, 32 bytes.
    std::copy_n(password.begin(), std::min<size_t>(password.size(), 32), block.begin() + 2);
    return block;
}

}  // namespace wiper

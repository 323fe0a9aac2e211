// ATA commands through the SCSI ATA PASS-THROUGH (16) command (SAT): the
// command blocks, and what the drive's answers mean (IDENTIFY DEVICE data,
// DEVICE CONFIGURATION IDENTIFY data, the registers returned in sense data).
// Pure functions; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace wiper {

// ATA command codes used here.
namespace ata {
constexpr uint8_t kIdentify = 0xEC;
constexpr uint8_t kReadNativeMax = 0xF8;     // 28-bit
constexpr uint8_t kReadNativeMaxExt = 0x27;  // 48-bit
constexpr uint8_t kSetMax = 0xF9;
constexpr uint8_t kSetMaxExt = 0x37;
constexpr uint8_t kDeviceConfiguration = 0xB1;  // feature C2 identify, C0 restore
constexpr uint8_t kDcoIdentify = 0xC2;
constexpr uint8_t kDcoRestore = 0xC0;
constexpr uint8_t kSecuritySetPassword = 0xF1;
constexpr uint8_t kSecurityErasePrepare = 0xF3;
constexpr uint8_t kSecurityEraseUnit = 0xF4;
constexpr uint8_t kSecurityDisablePassword = 0xF6;
}  // namespace ata

enum class AtaProtocol { NonData, PioIn, PioOut };

struct AtaCommand {
    uint8_t command = 0;
    uint8_t feature = 0;
    uint16_t count = 0;
    uint64_t lba = 0;
    uint8_t device = 0x40;  // LBA addressing
    bool ext = false;       // a 48-bit command
    AtaProtocol protocol = AtaProtocol::NonData;
};

// The 16-byte ATA PASS-THROUGH CDB. Data commands move 512-byte blocks
// counted in the count field; non-data commands ask for the registers back
// (CK_COND), which arrive as the ATA Status Return descriptor.
std::array<uint8_t, 16> Ata16Cdb(const AtaCommand& command);

// The registers of the ATA Status Return descriptor (type 09h) in descriptor
// format sense data. False when the sense data holds none.
struct AtaRegisters {
    uint8_t status = 0;
    uint8_t error = 0;
    uint64_t lba = 0;  // 48 bits when the descriptor's EXTEND bit is set, else 28
};
bool AtaRegistersFromSense(std::span<const uint8_t> sense, AtaRegisters& registers);

// What the 512 bytes of IDENTIFY DEVICE data say.
struct AtaIdentity {
    std::string model;
    std::string serial;
    uint64_t sectors = 0;  // user addressable sectors (48-bit count when supported)
    bool lba48 = false;
    bool hpaSupported = false;  // Host Protected Area feature set
    bool dcoSupported = false;  // Device Configuration Overlay
    bool securitySupported = false;
    bool securityEnabled = false;  // a user password is set
    bool securityLocked = false;
    bool securityFrozen = false;
    bool securityCountExpired = false;
    uint32_t eraseMinutes = 0;  // the drive's estimate for SECURITY ERASE UNIT; 0 = not given
    bool hybrid = false;        // reports hybrid (solid-state cache) information
    bool nonRotating = false;   // nominal media rotation rate 1
};
// False when the data is no valid IDENTIFY block (integrity word wrong, or
// not an ATA device).
bool ParseIdentify(std::span<const uint8_t, 512> data, AtaIdentity& identity);

// The maximum LBA a DEVICE CONFIGURATION IDENTIFY block allows (words 3-6).
uint64_t DcoMaxLba(std::span<const uint8_t, 512> data);

// The 512-byte block of the SECURITY commands that carry a user password.
std::array<uint8_t, 512> SecurityPasswordBlock(std::string_view password);

}  // namespace wiper

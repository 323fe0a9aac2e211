#include "wiper/ata_options.h"

#include <algorithm>
#include <array>

namespace wiper {
namespace {

constexpr unsigned kCommandSeconds = 30;
// The temporary user password of the erase; it lasts only until the erase,
// which clears it.
constexpr std::string_view kErasePassword = "QuelixOmnisweep";

bool NonData(AtaPort& port, AtaCommand c, AtaRegisters& r, std::string& error,
             unsigned seconds = kCommandSeconds) {
    c.protocol = AtaProtocol::NonData;
    return port.Execute(c, {}, r, seconds, error);
}

bool PasswordCommand(AtaPort& port, uint8_t command, unsigned seconds, std::string& error) {
    std::array<uint8_t, 512> block = SecurityPasswordBlock(kErasePassword);
    AtaCommand c;
    c.command = command;
    c.count = 1;
    c.protocol = AtaProtocol::PioOut;
    AtaRegisters r;
    return port.Execute(c, block, r, seconds, error);
}

// READ NATIVE MAX ADDRESS (EXT): the highest LBA the drive has.
bool NativeMax(AtaPort& port, const AtaIdentity& id, uint64_t& lba, std::string& error) {
    AtaCommand c;
    c.command = id.lba48 ? ata::kReadNativeMaxExt : ata::kReadNativeMax;
    c.ext = id.lba48;
    AtaRegisters r;
    if (!NonData(port, c, r, error))
        return false;
    lba = r.lba;
    return true;
}

std::string RemoveHpa(AtaPort& port, const AtaIdentity& id, bool& changed) {
    if (!id.hpaSupported)
        return "HPA: the drive has no Host Protected Area feature; nothing to remove";
    std::string error;
    uint64_t native = 0;
    if (!NativeMax(port, id, native, error))
        return "HPA: READ NATIVE MAX ADDRESS failed (" + error + "); left as it is";
    if (native + 1 <= id.sectors)
        return "HPA: none set (" + std::to_string(id.sectors) + " sectors)";
    // SET MAX ADDRESS right after READ NATIVE MAX ADDRESS; count bit 0 clear:
    // volatile, until the next power cycle.
    AtaCommand c;
    c.command = id.lba48 ? ata::kSetMaxExt : ata::kSetMax;
    c.ext = id.lba48;
    c.lba = native;
    AtaRegisters r;
    if (!NonData(port, c, r, error))
        return "HPA: SET MAX ADDRESS failed (" + error + "); " +
               std::to_string(native + 1 - id.sectors) + " hidden sectors stay unwiped";
    changed = true;
    return "HPA: removed, " + std::to_string(id.sectors) + " -> " + std::to_string(native + 1) +
           " sectors";
}

std::string RemoveDco(AtaPort& port, const AtaIdentity& id, bool& changed) {
    if (!id.dcoSupported)
        return "DCO: the drive has no Device Configuration Overlay feature; nothing to restore";
    std::array<uint8_t, 512> data{};
    AtaCommand c;
    c.command = ata::kDeviceConfiguration;
    c.feature = ata::kDcoIdentify;
    c.count = 1;
    c.protocol = AtaProtocol::PioIn;
    AtaRegisters r;
    std::string error;
    uint64_t native = 0;
    if (!port.Execute(c, data, r, kCommandSeconds, error))
        return "DCO: DEVICE CONFIGURATION IDENTIFY failed (" + error + "); left as it is";
    if (!NativeMax(port, id, native, error))
        return "DCO: READ NATIVE MAX ADDRESS failed (" + error + "); left as it is";
    const uint64_t dcoMax = DcoMaxLba(data);
    if (dcoMax <= native)
        return "DCO: no sectors hidden (" + std::to_string(native + 1) + " sectors)";
    c.feature = ata::kDcoRestore;
    if (!NonData(port, c, r, error))
        return "DCO: DEVICE CONFIGURATION RESTORE failed (" + error + "); " +
               std::to_string(dcoMax - native) + " hidden sectors stay unwiped";
    changed = true;
    return "DCO: restored, " + std::to_string(native + 1) + " -> " + std::to_string(dcoMax + 1) +
           " sectors";
}

}  // namespace

bool IdentifyDrive(AtaPort& port, AtaIdentity& identity, std::string& error) {
    std::array<uint8_t, 512> data{};
    AtaCommand c;
    c.command = ata::kIdentify;
    c.count = 1;
    c.protocol = AtaProtocol::PioIn;
    AtaRegisters r;
    if (!port.Execute(c, data, r, kCommandSeconds, error))
        return false;
    if (!ParseIdentify(data, identity)) {
        error = "the IDENTIFY data is not valid";
        return false;
    }
    return true;
}

std::vector<std::string> RemoveHiddenAreas(AtaPort& port, const AtaIdentity& identity, bool hpa,
                                           bool dco, bool& capacityChanged) {
    std::vector<std::string> notes;
    capacityChanged = false;
    if (hpa)
        notes.push_back(RemoveHpa(port, identity, capacityChanged));
    if (dco) {
        bool restored = false;
        notes.push_back(RemoveDco(port, identity, restored));
        // A restored overlay raises the native maximum: an HPA below it goes too.
        if (restored && hpa) {
            AtaIdentity now;
            std::string error;
            if (IdentifyDrive(port, now, error))
                notes.push_back(RemoveHpa(port, now, capacityChanged));
        }
        capacityChanged = capacityChanged || restored;
    }
    return notes;
}

EraseOutcome SecurityErase(AtaPort& port, const AtaIdentity& id, std::string& note) {
    const char* why = nullptr;
    if (!id.securitySupported)
        why = "the drive does not support the ATA security feature set";
    else if (id.securityFrozen)
        why = "the drive's security is frozen (by the firmware at start-up)";
    else if (id.securityLocked || id.securityEnabled)
        why = "the drive already has a security password";
    else if (id.securityCountExpired)
        why = "the drive's password attempt counter has expired";
    if (why != nullptr) {
        note = std::string("ATA erase: not possible, ") + why + "; the last pass runs as written";
        return EraseOutcome::NotPossible;
    }
    std::string error;
    if (!PasswordCommand(port, ata::kSecuritySetPassword, kCommandSeconds, error)) {
        note = "ATA erase: SECURITY SET PASSWORD failed (" + error +
               "); the last pass runs as written";
        return EraseOutcome::NotPossible;
    }
    // The drive's own estimate, doubled, and at least an hour; 12 hours when
    // it gives none.
    const unsigned minutes = id.eraseMinutes == 0 ? 720 : std::max(60u, id.eraseMinutes * 2);
    AtaRegisters r;
    AtaCommand prepare;
    prepare.command = ata::kSecurityErasePrepare;
    if (NonData(port, prepare, r, error) &&
        PasswordCommand(port, ata::kSecurityEraseUnit, minutes * 60, error)) {
        note = "ATA erase: SECURITY ERASE UNIT done";
        return EraseOutcome::Erased;
    }
    std::string ignored;
    const bool unlocked =
        PasswordCommand(port, ata::kSecurityDisablePassword, kCommandSeconds, ignored);
    note =
        "ATA erase: SECURITY ERASE UNIT failed (" + error + "); " +
        (unlocked ? std::string("the temporary password was removed; ")
                  : "the drive keeps the user password \"" + std::string(kErasePassword) + "\"; ") +
        "the last pass runs as written";
    return EraseOutcome::Failed;
}

}  // namespace wiper

// The ATA options of the policy, carried out where the drive answers ATA
// commands: removing a Host Protected Area and a Device Configuration Overlay
// before wiping, and SECURITY ERASE UNIT in place of the last pass. Each step
// says in a line for the log what it found and did.
//
// Runs on the drive's wiping thread, through an AtaPort (SG_IO on Linux).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "wiper/ata.h"

namespace wiper {

class AtaPort {
  public:
    virtual ~AtaPort() = default;
    // Runs one command; data is the 512-byte block of a data command (empty
    // for a non-data command). False with a message when the drive refused it
    // or did not answer; registers holds what the drive returned.
    virtual bool Execute(const AtaCommand& command, std::span<uint8_t> data,
                         AtaRegisters& registers, unsigned timeoutSeconds, std::string& error) = 0;
};

// IDENTIFY DEVICE; false when the drive does not answer it.
bool IdentifyDrive(AtaPort& port, AtaIdentity& identity, std::string& error);

// Removes a Host Protected Area (hpa) and a Device Configuration Overlay (dco)
// that hide sectors. The HPA is removed until the next power cycle (the wipe
// reaches the hidden sectors; nothing about the drive is changed for good).
// Sets capacityChanged when the drive shows more sectors afterwards.
std::vector<std::string> RemoveHiddenAreas(AtaPort& port, const AtaIdentity& identity, bool hpa,
                                           bool dco, bool& capacityChanged);

enum class EraseOutcome { Erased, NotPossible, Failed };

// SECURITY ERASE UNIT (normal erase) with a temporary user password. When the
// drive cannot do it (no security feature set, frozen, locked, a password
// already set) the note says why; when it fails, the password is removed
// again so that the drive is not left locked.
EraseOutcome SecurityErase(AtaPort& port, const AtaIdentity& identity, std::string& note);

}  // namespace wiper

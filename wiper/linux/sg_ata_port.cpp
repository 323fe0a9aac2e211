#include "wiper/linux/sg_ata_port.h"

#include <scsi/sg.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace wiper {
namespace {

constexpr uint8_t kCheckCondition = 0x02;
constexpr uint8_t kAtaStatusError = 0x01;

std::string Hex(const char* what, unsigned value) {
    char text[48];
    std::snprintf(text, sizeof text, "%s %02Xh", what, value);
    return text;
}

}  // namespace

bool SgAtaPort::Execute(const AtaCommand& command, std::span<uint8_t> data, AtaRegisters& registers,
                        unsigned timeoutSeconds, std::string& error) {
    std::array<uint8_t, 16> cdb = Ata16Cdb(command);
    std::array<uint8_t, 64> sense{};
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.cmdp = cdb.data();
    io.cmd_len = static_cast<unsigned char>(cdb.size());
    io.sbp = sense.data();
    io.mx_sb_len = static_cast<unsigned char>(sense.size());
    io.timeout = timeoutSeconds * 1000u;
    io.dxfer_direction = SG_DXFER_NONE;
    if (command.protocol != AtaProtocol::NonData) {
        io.dxferp = data.data();
        io.dxfer_len = static_cast<unsigned>(data.size());
        io.dxfer_direction =
            command.protocol == AtaProtocol::PioIn ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
    }
    if (ioctl(fd_, SG_IO, &io) != 0) {
        error = std::string("SG_IO: ") + std::strerror(errno);
        return false;
    }
    registers = AtaRegisters();
    const bool haveRegisters =
        AtaRegistersFromSense(std::span<const uint8_t>(sense.data(), io.sb_len_wr), registers);
    if (io.host_status != 0 || (io.driver_status & 0x0F) > 1) {
        error = Hex("no answer: host status", io.host_status);
        return false;
    }
    if (haveRegisters && (registers.status & kAtaStatusError) != 0) {
        error = Hex("the drive refused the command: error register", registers.error);
        return false;
    }
    // A check condition without the ATA registers: the translation layer
    // refused the command itself (no ATA drive behind it).
    if (io.status == kCheckCondition && !haveRegisters) {
        const unsigned key = io.sb_len_wr > 2 ? (sense[0] >= 0x72 ? sense[1] : sense[2]) & 0x0F : 0;
        error = Hex("not an ATA command target: sense key", key);
        return false;
    }
    if (io.status != 0 && io.status != kCheckCondition) {
        error = Hex("SCSI status", io.status);
        return false;
    }
    return true;
}

}  // namespace wiper

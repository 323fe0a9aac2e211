// SgAtaPort: ATA commands to a disk through the SG_IO ioctl of its block
// device, as ATA PASS-THROUGH (16) (the SCSI-ATA translation of libata, and of
// USB bridges that offer it). One thread at a time per port.
#pragma once

#include "wiper/ata_options.h"

namespace wiper {

class SgAtaPort : public AtaPort {
  public:
    explicit SgAtaPort(int fd) : fd_(fd) {}
    bool Execute(const AtaCommand& command, std::span<uint8_t> data, AtaRegisters& registers,
                 unsigned timeoutSeconds, std::string& error) override;

  private:
    int fd_;
};

}  // namespace wiper

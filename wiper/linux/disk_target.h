// DiskTarget: a drive (or an image file) opened for wiping. A block device is
// opened exclusively (a mounted or otherwise held disk is refused) and with
// O_DIRECT, so that writes go to the drive and verification reads the drive,
// not the page cache. The descriptor is held for the whole wipe: it keeps
// naming the confirmed drive even if device names change; a drive that is
// pulled makes every further access fail. One thread.
#pragma once

#include <memory>
#include <string>

#include "wiper/pass_executor.h"
#include "wizard/media/linux/unique_fd.h"

namespace wiper {

class DiskTarget : public BlockTarget {
  public:
    // Opens path (never following a link) and checks that it is the device
    // whose "major:minor" is expectedDevice (skipped when empty). Regular
    // files on file systems without O_DIRECT are opened without it.
    static std::unique_ptr<DiskTarget> Open(const std::string& path,
                                            const std::string& expectedDevice, std::string& error);

    uint64_t Size() const override { return size_; }
    int WriteAt(uint64_t offset, const uint8_t* data, size_t size) override;
    int ReadAt(uint64_t offset, uint8_t* data, size_t size) override;
    int Flush() override;
    bool StillSame() override;

    // Reads the size again (after the drive showed hidden sectors).
    bool Refresh();
    int Fd() const { return fd_.get(); }
    bool Direct() const { return direct_; }

  private:
    DiskTarget(wizard::UniqueFd fd, bool block, bool direct);
    bool CurrentSize(uint64_t& size) const;

    wizard::UniqueFd fd_;
    bool block_;
    bool direct_;
    uint64_t size_ = 0;
};

// Reads bytes of a disk (opened read-only for the call); false on failure.
bool ReadDiskBytes(const std::string& path, uint64_t offset, uint8_t* data, size_t size);

}  // namespace wiper

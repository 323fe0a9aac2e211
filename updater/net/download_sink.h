// The progress sink a fetch reports to: each chunk's size, before the chunk is
// written, with the answer whether to go on. Called on the fetch's thread.
#pragma once

#include <cstdint>
#include <memory>

namespace updater {

class cDownloadActorBlock {
  public:
    virtual ~cDownloadActorBlock() = default;
    // A chunk of bytes was received; false stops the transfer.
    virtual bool ChunkReceived(uint32_t bytes) {
        (void)bytes;
        return true;
    }
};

// Whoever shows a fetch's progress: told the size once the response head has
// arrived, it prepares its display and gives the sink for the chunks.
class TransferOwner {
  public:
    virtual ~TransferOwner() = default;
    virtual std::unique_ptr<cDownloadActorBlock> StartTransfer(uint32_t size) = 0;
};

}  // namespace updater

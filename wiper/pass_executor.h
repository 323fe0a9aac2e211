// PassExecutor: runs the planned passes of one drive over a BlockTarget in
// large aligned blocks, verifies the passes marked so by reading the drive
// back and comparing, and reports progress to a sink. Before every write the
// target is asked whether it is still the drive that was confirmed.
//
// One executor per drive and thread; the sink is called on that thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "wiper/pass_plan.h"

namespace wiper {

// The drive (or file) being wiped. Error results are errno values (0 = done).
class BlockTarget {
  public:
    virtual ~BlockTarget() = default;
    virtual uint64_t Size() const = 0;
    virtual int WriteAt(uint64_t offset, const uint8_t* data, size_t size) = 0;
    virtual int ReadAt(uint64_t offset, uint8_t* data, size_t size) = 0;
    // Makes what was written durable (the drive's cache flushed).
    virtual int Flush() = 0;
    // Whether the target is still the drive confirmed for wiping.
    virtual bool StillSame() = 0;
};

enum class Phase { Writing, Verifying, Reading };
const char* PhaseName(Phase phase);  // "writing", "verifying", "reading"

struct Progress {
    size_t pass = 0;  // 1-based
    size_t passes = 0;
    Phase phase = Phase::Writing;
    uint64_t done = 0;  // bytes of this phase
    uint64_t total = 0;
};

// Told when a phase starts (done 0) and after every block.
class ProgressSink {
  public:
    virtual ~ProgressSink() = default;
    virtual void OnProgress(const Progress& progress) = 0;
};

struct PassOutcome {
    bool ok = false;        // the pass went over the whole drive (and compared equal)
    bool verified = false;  // a verification ran and found exactly the data written
    std::string error;      // what went wrong, with the byte offset
};

// 4 MiB: large enough for full speed with O_DIRECT, a multiple of every
// sector size.
constexpr size_t kDefaultBlockBytes = size_t{4} << 20;
constexpr size_t kBufferAlignment = 4096;

class PassExecutor {
  public:
    PassExecutor(BlockTarget& target, ProgressSink& sink, size_t blockBytes = kDefaultBlockBytes);
    ~PassExecutor();
    PassExecutor(const PassExecutor&) = delete;
    PassExecutor& operator=(const PassExecutor&) = delete;

    // Runs pass number index (1-based) of count.
    PassOutcome Run(const PlannedPass& pass, size_t index, size_t count);

  private:
    bool Write(const PlannedPass& pass, Progress& progress, std::string& error);
    bool Compare(const PlannedPass& pass, Progress& progress, std::string& error);
    bool ReadAll(Progress& progress, std::string& error);
    // Goes over the drive in blocks: step(offset, size) for each, false to
    // stop; the sink hears of the phase's start and of every block.
    template <typename Step>
    bool Sweep(Phase phase, Progress& progress, Step step);

    struct Buffers;
    BlockTarget& target_;
    ProgressSink& sink_;
    size_t blockBytes_;
    std::unique_ptr<Buffers> buffers_;
};

}  // namespace wiper

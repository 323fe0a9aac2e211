#include "wiper/pass_executor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace wiper {
namespace {

struct FreeAligned {
    void operator()(uint8_t* p) const { std::free(p); }
};
using AlignedBlock = std::unique_ptr<uint8_t[], FreeAligned>;

AlignedBlock NewBlock(size_t bytes) {
    const size_t rounded = (bytes + kBufferAlignment - 1) / kBufferAlignment * kBufferAlignment;
    return AlignedBlock(static_cast<uint8_t*>(std::aligned_alloc(kBufferAlignment, rounded)));
}

constexpr char kGeneratorFailed[] = "the random data generator failed";

std::string At(const char* what, uint64_t offset, int error) {
    return std::string(what) + " at byte " + std::to_string(offset) + ": " + std::strerror(error);
}

}  // namespace

struct PassExecutor::Buffers {
    AlignedBlock data;
    AlignedBlock expected;
};

const char* PhaseName(Phase phase) {
    switch (phase) {
        case Phase::Writing:
            return "writing";
        case Phase::Verifying:
            return "verifying";
        case Phase::Reading:
            return "reading";
    }
    return "";
}

PassExecutor::PassExecutor(BlockTarget& target, ProgressSink& sink, size_t blockBytes)
    : target_(target), sink_(sink), blockBytes_(blockBytes), buffers_(std::make_unique<Buffers>()) {
    buffers_->data = NewBlock(blockBytes_);
    buffers_->expected = NewBlock(blockBytes_);
}

PassExecutor::~PassExecutor() = default;

PassOutcome PassExecutor::Run(const PlannedPass& pass, size_t index, size_t count) {
    PassOutcome outcome;
    if (!buffers_->data || !buffers_->expected) {
        outcome.error = "no memory for the block buffers";
        return outcome;
    }
    Progress progress;
    progress.pass = index;
    progress.passes = count;
    progress.total = target_.Size();
    if (!pass.writes) {
        outcome.ok = ReadAll(progress, outcome.error);
        return outcome;
    }
    if (!Write(pass, progress, outcome.error))
        return outcome;
    if (pass.verify) {
        outcome.verified = Compare(pass, progress, outcome.error);
        outcome.ok = outcome.verified;
        return outcome;
    }
    outcome.ok = true;
    return outcome;
}

template <typename Step>
bool PassExecutor::Sweep(Phase phase, Progress& progress, Step step) {
    progress.phase = phase;
    progress.done = 0;
    sink_.OnProgress(progress);
    for (uint64_t offset = 0; offset < progress.total;) {
        const size_t n =
            static_cast<size_t>(std::min<uint64_t>(blockBytes_, progress.total - offset));
        if (!step(offset, n))
            return false;
        offset += n;
        progress.done = offset;
        sink_.OnProgress(progress);
    }
    return true;
}

bool PassExecutor::Write(const PlannedPass& pass, Progress& progress, std::string& error) {
    DataStream stream(pass.data);
    uint8_t* block = buffers_->data.get();
    const bool written = Sweep(Phase::Writing, progress, [&](uint64_t offset, size_t n) {
        if (!stream.Fill(offset, block, n)) {
            error = kGeneratorFailed;
            return false;
        }
        if (!target_.StillSame()) {
            error = "the drive changed at byte " + std::to_string(offset) + "; not written further";
            return false;
        }
        if (const int e = target_.WriteAt(offset, block, n)) {
            error = At("write error", offset, e);
            return false;
        }
        return true;
    });
    if (!written)
        return false;
    if (const int e = target_.Flush()) {
        error = At("flush error", progress.total, e);
        return false;
    }
    return true;
}

bool PassExecutor::Compare(const PlannedPass& pass, Progress& progress, std::string& error) {
    DataStream stream(pass.data);
    uint8_t* block = buffers_->data.get();
    uint8_t* expected = buffers_->expected.get();
    return Sweep(Phase::Verifying, progress, [&](uint64_t offset, size_t n) {
        if (const int e = target_.ReadAt(offset, block, n)) {
            error = At("verification: read error", offset, e);
            return false;
        }
        if (!stream.Fill(offset, expected, n)) {
            error = kGeneratorFailed;
            return false;
        }
        if (std::memcmp(block, expected, n) == 0)
            return true;
        const size_t at =
            static_cast<size_t>(std::mismatch(block, block + n, expected).first - block);
        error = "verification failed: the drive holds other data at byte " +
                std::to_string(offset + at);
        return false;
    });
}

bool PassExecutor::ReadAll(Progress& progress, std::string& error) {
    uint8_t* block = buffers_->data.get();
    return Sweep(Phase::Reading, progress, [&](uint64_t offset, size_t n) {
        if (const int e = target_.ReadAt(offset, block, n)) {
            error = At("read error", offset, e);
            return false;
        }
        return true;
    });
}

}  // namespace wiper

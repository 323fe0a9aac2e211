// ProgressBoard: the console lines that show how each drive's wipe goes:
// drive, pass, phase, percent, speed and the time left for the drive. Every
// drive reports through a sink of its own from its wiping thread; the board
// writes whole lines under one lock, at most one per drive every interval
// (and always when a phase ends), so that parallel drives stay readable on a
// serial console.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

#include "wiper/pass_executor.h"

namespace wiper {

// "0:01:05"; "-" for an unknown time.
std::string DurationText(double seconds);

class ProgressBoard {
  public:
    using Clock = std::function<double()>;  // seconds, monotonic

    ProgressBoard(std::ostream& out, std::mutex& outLock, double intervalSeconds,
                  Clock clock = SteadySeconds);

    // A sink for one drive; totalWork is the bytes all its passes will move
    // (writes, verifications and reads).
    std::unique_ptr<ProgressSink> ForDrive(const std::string& name, uint64_t totalWork);

    static double SteadySeconds();

  private:
    class DriveSink;
    std::ostream& out_;
    std::mutex& lock_;
    double interval_;
    Clock clock_;
};

}  // namespace wiper

#include "wiper/progress_board.h"

#include <cstdio>

namespace wiper {

std::string DurationText(double seconds) {
    if (!(seconds >= 0) || seconds > 1e8)
        return "-";
    const auto s = static_cast<uint64_t>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%llu:%02u:%02u", static_cast<unsigned long long>(s / 3600),
                  static_cast<unsigned>(s / 60 % 60), static_cast<unsigned>(s % 60));
    return text;
}

double ProgressBoard::SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class ProgressBoard::DriveSink : public ProgressSink {
  public:
    DriveSink(ProgressBoard& board, std::string name, uint64_t totalWork)
        : board_(board), name_(std::move(name)), total_(totalWork), started_(board.clock_()) {}

    void OnProgress(const Progress& p) override {
        const double now = board_.clock_();
        if (p.pass != pass_ || p.phase != phase_) {
            // A new phase: what the last one moved counts as done work.
            doneBefore_ += lastDone_;
            pass_ = p.pass;
            phase_ = p.phase;
            phaseStart_ = now;
            lastDone_ = 0;
        }
        lastDone_ = p.done;
        if (p.done == 0 && p.total > 0)
            return;  // the phase starts: nothing to show yet
        const bool phaseEnd = p.done >= p.total;
        if (!phaseEnd && now - lastLine_ < board_.interval_)
            return;
        lastLine_ = now;
        const double phaseSeconds = now - phaseStart_;
        const double rate = phaseSeconds > 0 ? static_cast<double>(p.done) / phaseSeconds : 0;
        const double allSeconds = now - started_;
        const uint64_t done = doneBefore_ + p.done;
        const double overall = allSeconds > 0 ? static_cast<double>(done) / allSeconds : 0;
        const double left = overall > 0 && total_ > done
                                ? static_cast<double>(total_ - done) / overall
                                : (total_ > done ? -1 : 0);
        char line[160];
        std::snprintf(line, sizeof line, "%-8s pass %zu/%zu %-9s %3d%%  %7.1f MB/s  %s left\n",
                      name_.c_str(), p.pass, p.passes, PhaseName(p.phase),
                      p.total > 0 ? static_cast<int>(p.done * 100 / p.total) : 100, rate / 1e6,
                      DurationText(left).c_str());
        std::lock_guard<std::mutex> hold(board_.lock_);
        board_.out_ << line << std::flush;
    }

  private:
    ProgressBoard& board_;
    std::string name_;
    uint64_t total_;
    double started_;
    size_t pass_ = 0;
    Phase phase_ = Phase::Writing;
    double phaseStart_ = 0;
    double lastLine_ = -1e9;
    uint64_t lastDone_ = 0;
    uint64_t doneBefore_ = 0;
};

ProgressBoard::ProgressBoard(std::ostream& out, std::mutex& outLock, double intervalSeconds,
                             Clock clock)
    : out_(out), lock_(outLock), interval_(intervalSeconds), clock_(std::move(clock)) {}

std::unique_ptr<ProgressSink> ProgressBoard::ForDrive(const std::string& name, uint64_t totalWork) {
    return std::make_unique<DriveSink>(*this, name, totalWork);
}

}  // namespace wiper

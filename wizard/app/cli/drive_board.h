// DriveBoard: what a build of several drives at once shows. On a terminal,
// one line per drive (its progress and step), each updated in place; on any
// other output, one line per step, led by the drive's name, and each message
// on standard error, so that a log keeps everything. Each drive's last
// message is kept as the reason it failed. DriveReporter is one drive's
// BuildReporter, answering the format question with the answer given once
// for all the drives. ResultTable is the table printed at the end.
//
// Step and Message are called on the drives' build worker threads (lines
// are written whole, under one lock); the rest on the main thread.
#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "wizard/media/build_reporter.h"

namespace wizard::cli {

class DriveBoard {
  public:
    // names: how each drive is named; terminal: draw the lines in place,
    // cut to width characters.
    DriveBoard(std::vector<std::string> names, std::FILE* out, bool terminal, size_t width = 80);
    // Draws a line for each drive (terminal only).
    void Start();
    void Step(size_t drive, const std::string& text, int position);
    void Message(size_t drive, const std::string& text);
    // The drive's last message; empty when it had none.
    std::string Reason(size_t drive);
    const std::string& Name(size_t drive) const { return names_[drive]; }

  private:
    void Draw(size_t drive);

    std::vector<std::string> names_;
    std::vector<std::string> lines_;
    std::vector<std::string> reasons_;
    std::FILE* out_;
    bool terminal_;
    size_t width_;
    size_t nameWidth_ = 0;
    std::mutex mutex_;
};

class DriveReporter : public BuildReporter {
  public:
    // onStep: called after each step is shown ("text@position"), on the worker thread.
    DriveReporter(DriveBoard& board, size_t drive, bool confirmed,
                  std::function<void(const std::string&)> onStep = {})
        : board_(board), drive_(drive), confirmed_(confirmed), onStep_(std::move(onStep)) {}
    void ShowStep(const platform::WString& text, int position) override;
    void ShowError(int stringId) override;
    void ShowMessage(const platform::WString& caption, const platform::WString& text) override;
    bool AskYesNo(const platform::WString& caption, const platform::WString& text) override;

  private:
    DriveBoard& board_;
    size_t drive_;
    bool confirmed_;
    std::function<void(const std::string&)> onStep_;
};

// One row of the final table.
struct DriveOutcome {
    std::string drive;
    std::string serial;  // "-" when none
    std::string result;  // "created", "failed: why", "incomplete: ..."
    double seconds = 0;
};

// The table, with a header and aligned columns (the result last, as it may be long).
std::string ResultTable(const std::vector<DriveOutcome>& rows);

}  // namespace wizard::cli

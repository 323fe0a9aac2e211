// TerminalReporter: shows a build on the terminal. Each step is one line on
// stdout with its progress position; error messages and other message boxes
// go to stderr. Called on the build worker thread; lines are written whole.
#pragma once

#include <mutex>

#include "wizard/media/build_reporter.h"

namespace wizard::cli {

class TerminalReporter : public BuildReporter {
  public:
    // assumeYes: every question is answered Yes (--yes). Otherwise a question
    // is asked on the terminal when stdin is one, and answered No when not.
    explicit TerminalReporter(bool assumeYes = false) : assumeYes_(assumeYes) {}
    void ShowStep(const platform::WString& text, int position) override;
    void ShowError(int stringId) override;
    void ShowMessage(const platform::WString& caption, const platform::WString& text) override;
    bool AskYesNo(const platform::WString& caption, const platform::WString& text) override;

  private:
    std::mutex mutex_;
    bool assumeYes_;
};

}  // namespace wizard::cli

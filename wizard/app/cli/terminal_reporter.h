// TerminalReporter: shows a build on the terminal. Each step is one line on
// stdout with its progress position; error messages and other message boxes
// go to stderr. Called on the build worker thread; lines are written whole.
#pragma once

#include <mutex>

#include "wizard/media/build_reporter.h"

namespace wizard::cli {

class TerminalReporter : public BuildReporter {
  public:
    void ShowStep(const platform::WString& text, int position) override;
    void ShowError(int stringId) override;
    void ShowMessage(const platform::WString& caption, const platform::WString& text) override;

  private:
    std::mutex mutex_;
};

}  // namespace wizard::cli

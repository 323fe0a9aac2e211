#include "wizard/app/cli/terminal_reporter.h"

#include <cstdio>

#include "wizard/media/build_messages.h"

namespace wizard::cli {

void TerminalReporter::ShowStep(const platform::WString& text, int position) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::printf("[%3d%%] %s\n", position, platform::ToUtf8(text).c_str());
    std::fflush(stdout);
}

void TerminalReporter::ShowError(int stringId) {
    std::lock_guard<std::mutex> lock(mutex_);
    const platform::WString text = BuildErrorText(stringId);
    if (text.empty())
        std::fprintf(stderr, "mediawizard: error %d\n", stringId);
    else
        std::fprintf(stderr, "%s\n", platform::ToUtf8(text).c_str());
}

void TerminalReporter::ShowMessage(const platform::WString& caption,
                                   const platform::WString& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::fprintf(stderr, "%s: %s\n", platform::ToUtf8(caption).c_str(),
                 platform::ToUtf8(text).c_str());
}

}  // namespace wizard::cli

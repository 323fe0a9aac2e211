#include "wizard/app/cli/terminal_reporter.h"

#include <unistd.h>

#include <cstdio>
#include <string>

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

bool TerminalReporter::AskYesNo(const platform::WString& caption, const platform::WString& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::fprintf(stderr, "%s: %s\n", platform::ToUtf8(caption).c_str(),
                 platform::ToUtf8(text).c_str());
    if (assumeYes_) {
        std::fprintf(stderr, "[y/N] y (--yes)\n");
        return true;
    }
    if (isatty(STDIN_FILENO) == 0) {
        std::fprintf(stderr, "[y/N] n (no terminal to ask on; --yes answers Yes)\n");
        return false;
    }
    std::fprintf(stderr, "[y/N] ");
    std::fflush(stderr);
    char line[16] = {};
    if (std::fgets(line, sizeof line, stdin) == nullptr)
        return false;
    return line[0] == 'y' || line[0] == 'Y';
}

}  // namespace wizard::cli

#include "wizard/app/cli/share_check_cli.h"

#include <unistd.h>

#include <string>

#include "wizard/netshare/linux/smb_share_platform.h"
#include "wizard/netshare/linux/terminal_popup.h"

namespace wizard::cli {
namespace {

// The texts the logging page reads (its edit boxes' limits).
constexpr size_t kShareChars = 259;
constexpr size_t kUserChars = 127;
constexpr size_t kPasswordChars = 127;

platform::WString Cut(const platform::WString& text, size_t chars) {
    return text.substr(0, chars);
}

// Reads a Yes or No from the terminal; anything but y or yes is No.
bool ReadAnswer(std::FILE* in) {
    char line[64];
    if (std::fgets(line, sizeof(line), in) == nullptr)
        return false;
    std::string answer(line);
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
        answer.pop_back();
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

template <typename Run>
auto WithRealSystem(Run run) {
    netshare::SmbSharePlatform platform;
    netshare::TerminalPopupSystem popups(stderr);
    const ShareCheckTerminal terminal{platform, popups, stdin,
                                      stdout,   stderr, isatty(STDIN_FILENO) == 1};
    return run(terminal);
}

}  // namespace

void TerminalShareMessages::Tell(const platform::WString& text, netshare::MessageKind kind) {
    std::FILE* to = kind == netshare::MessageKind::Error ? terminal_.err : terminal_.out;
    std::fprintf(to, "%s\n", platform::ToUtf8(text).c_str());
    std::fflush(to);
}

bool TerminalShareMessages::Ask(const platform::WString& text, netshare::Question question) {
    std::fprintf(terminal_.out, "%s [y/N] ", platform::ToUtf8(text).c_str());
    bool yes = false;
    if (yes_) {
        std::fprintf(terminal_.out, "yes (--yes)\n");
        yes = true;
    } else if (!terminal_.interactive) {
        // Nobody to ask: check rather than build with an unchecked share, and
        // keep no settings that failed.
        yes = question == netshare::Question::CheckNow;
        std::fprintf(terminal_.out, "%s (no terminal)\n", yes ? "yes" : "no");
    } else {
        std::fflush(terminal_.out);
        yes = ReadAnswer(terminal_.in);
    }
    std::fflush(terminal_.out);
    return yes;
}

netshare::ShareCheckInput ShareCheckInputOf(const WizardSettings& settings) {
    return {Cut(settings.NetShare, kShareChars), Cut(settings.NetUser, kUserChars),
            Cut(settings.NetPassword, kPasswordChars)};
}

int CheckShareFromCli(const WizardSettings& settings, const CliOptions& options,
                      const ShareCheckTerminal& terminal) {
    TerminalShareMessages messages(terminal, options.yes);
    netshare::ShareCheck check(messages, terminal.platform, terminal.popups);
    bool passedThisVisit = false;
    const netshare::ShareCheckResult result = netshare::RunShareCheck(
        messages, check, ShareCheckInputOf(settings), true, passedThisVisit);
    if (!(result.proceed && result.passed))
        return kExitFailed;
    messages.Tell(u"Test of write-access to the folder successfully passed.",
                  netshare::MessageKind::Note);
    return kExitOk;
}

int CheckShareFromCli(const WizardSettings& settings, const CliOptions& options) {
    return WithRealSystem([&](const ShareCheckTerminal& terminal) {
        return CheckShareFromCli(settings, options, terminal);
    });
}

bool CheckShareBeforeBuild(const WizardSettings& settings, const CliOptions& options,
                           const ShareCheckTerminal& terminal) {
    if (settings.NetLog != 1)
        return true;
    TerminalShareMessages messages(terminal, options.yes);
    netshare::ShareCheck check(messages, terminal.platform, terminal.popups);
    bool passedThisVisit = false;
    return netshare::RunShareCheck(messages, check, ShareCheckInputOf(settings), false,
                                   passedThisVisit)
        .proceed;
}

bool CheckShareBeforeBuild(const WizardSettings& settings, const CliOptions& options) {
    return WithRealSystem([&](const ShareCheckTerminal& terminal) {
        return CheckShareBeforeBuild(settings, options, terminal);
    });
}

}  // namespace wizard::cli

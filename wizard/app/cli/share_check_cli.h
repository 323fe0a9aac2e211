// The network share check on the command line: --check-share runs the
// explicit check of the logging page's Check button; a build with the log on
// a share runs the check of the page's Next first. Messages go to the
// terminal (errors to standard error), the wait popup is a line printed when
// the check takes longer than 2 s, and the questions are asked on the
// terminal. Without a terminal nothing can be asked: the share is checked,
// and settings that did not pass are not kept unless --yes was given.
// Main thread only.
#pragma once

#include <cstdio>

#include "wizard/app/cli/cli_options.h"
#include "wizard/netshare/share_check.h"

namespace wizard::cli {

// Where the check talks and what it runs on; tests hand in their own.
struct ShareCheckTerminal {
    netshare::SharePlatform& platform;
    netshare::PopupSystem& popups;
    std::FILE* in;
    std::FILE* out;
    std::FILE* err;
    bool interactive;  // `in` is a terminal a user answers on
};

// The message boxes of the check on a terminal.
class TerminalShareMessages : public netshare::ShareMessages {
  public:
    TerminalShareMessages(const ShareCheckTerminal& terminal, bool yes)
        : terminal_(terminal), yes_(yes) {}
    void Tell(const platform::WString& text, netshare::MessageKind kind) override;
    bool Ask(const platform::WString& text, netshare::Question question) override;

  private:
    const ShareCheckTerminal& terminal_;
    bool yes_;
};

// What the check reads, from the settings as the logging page leaves them.
netshare::ShareCheckInput ShareCheckInputOf(const WizardSettings& settings);

// --check-share: kExitOk when the test of write access passed, else kExitFailed.
int CheckShareFromCli(const WizardSettings& settings, const CliOptions& options,
                      const ShareCheckTerminal& terminal);
int CheckShareFromCli(const WizardSettings& settings, const CliOptions& options);

// Before a build: the check of the logging page's Next when the log goes to a
// share; true when the build may start.
bool CheckShareBeforeBuild(const WizardSettings& settings, const CliOptions& options,
                           const ShareCheckTerminal& terminal);
bool CheckShareBeforeBuild(const WizardSettings& settings, const CliOptions& options);

}  // namespace wizard::cli

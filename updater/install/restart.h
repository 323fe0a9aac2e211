// The restart after an installation: the question to the user (dialog 139:
// "&Restart now" or "&Later", nothing else ends it) and the system restart.
// Both sit behind interfaces, so the update flow runs the same on both front
// ends and tests never restart anything.
//
// Called on the thread of the update flow (the question's window belongs to
// the interface thread on Windows).
#pragma once

#include <cstdio>
#include <optional>

#include "platform/text.h"

namespace updater {

constexpr int kRestartNow = 6;     // "&Restart now"
constexpr int kRestartLater = 7;   // "&Later"
constexpr int kCommandCancel = 2;  // Escape or the close box
constexpr unsigned kRestartDialogId = 139;
constexpr unsigned kRestartTextControl = 1032;
constexpr unsigned kRestartIconControl = 1031;
constexpr char16_t kRestartQuestionLine[] = u"Restart now?";
constexpr char16_t kRestartTextTemplate[] =
    u"%s has been updated successfully.\nThe updated modules will start working after reboot.";

class RestartQuestion {
  public:
    virtual ~RestartQuestion() = default;
    // kRestartNow or kRestartLater.
    virtual int Ask(void* owner, platform::WStringView title, platform::WStringView product) = 0;
};

// What the restart dialog shows and how it answers commands, whatever draws it.
class RestartDialogLogic {
  public:
    // textTemplate: the text control's template (kRestartTextTemplate unless translated).
    RestartDialogLogic(platform::WStringView title, platform::WStringView product,
                       platform::WStringView textTemplate = kRestartTextTemplate);
    const platform::WString& Caption() const { return caption_; }
    const platform::WString& Text() const { return text_; }
    // The dialog's result for a command, or none when the dialog stays open
    // (cancel and every other command).
    static std::optional<int> OnCommand(int command);

  private:
    platform::WString caption_;
    platform::WString text_;
};

// The question on a terminal: the text, then a prompt until the answer is
// "r" (restart now) or "l" (later); the end of input counts as later, since
// nobody is there to be asked.
class TerminalRestartQuestion : public RestartQuestion {
  public:
    TerminalRestartQuestion(std::FILE* in = stdin, std::FILE* out = stderr) : in_(in), out_(out) {}
    int Ask(void* owner, platform::WStringView title, platform::WStringView product) override;

  private:
    std::FILE* in_;
    std::FILE* out_;
};

class SystemRestart {
  public:
    virtual ~SystemRestart() = default;
    // Asks the system to restart; true when the request was accepted.
    virtual bool RequestRestart(void* owner) = 0;
};

// Windows: enables the shutdown privilege (once per run) and restarts;
// Linux: "systemctl reboot".
SystemRestart& SystemRestarter();

}  // namespace updater

// The logging page (template 135): whether the settings are locked on the
// target computer, and where the wiping environment writes its log (the USB
// drive, a network share with an account). The page keeps what was entered
// for the whole run; it does not show the stored values.
// Interface thread only.
#pragma once

#include "wizard/app/pages/page.h"
#include "wizard/app/pages/share_check.h"

namespace wizard::pages {

// The longest texts the page keeps (characters, without the terminator).
constexpr size_t kShareMaxChars = 259;
constexpr size_t kUserMaxChars = 63;
constexpr size_t kPasswordMaxChars = 127;

class LoggingPage : public Page {
  public:
    LoggingPage(WizardSettings& settings, ShareTester& tester);
    int Template() const override;

  protected:
    void OnOpen(PageView& view) override;
    std::optional<PageResult> OnCommand(PageView& view, int id) override;
    const char16_t* HelpTopic() const override { return kHelpLogSetting; }

  private:
    void EnableShareControls(PageView& view);
    void Store(const PageView& view);
    ShareCheckResult Check(PageView& view, bool explicitCheck);

    ShareTester& tester_;
    bool writeLog_ = true;
    bool netLog_ = false;
    bool lock_ = false;
    WString share_, user_, password_;
    bool passedThisVisit_ = false;
};

}  // namespace wizard::pages

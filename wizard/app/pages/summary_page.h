// The summary pages (templates 140 for a USB drive, 144 for an ISO image):
// the chosen configuration in words, and "&Create".
// Interface thread only.
#pragma once

#include "wizard/app/pages/page.h"

namespace wizard::pages {

class SummaryPage : public Page {
  public:
    // iso: the ISO summary (template 144) instead of the USB one (140).
    SummaryPage(WizardSettings& settings, bool iso) : Page(settings), iso_(iso) {}
    int Template() const override;

  protected:
    void OnOpen(PageView& view) override;
    std::optional<PageResult> OnCommand(PageView& view, int id) override;
    const char16_t* HelpTopic() const override { return kHelpUsbSummary; }

  private:
    bool iso_;
};

}  // namespace wizard::pages

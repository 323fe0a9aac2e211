// The wipe settings page (template 138): the scheme and verification of each
// drive class and the ATA options. The only page that writes the settings
// store: Next and Back both save.
// Interface thread only.
#pragma once

#include "wizard/app/pages/page.h"

namespace wizard::pages {

class WipeSettingsPage : public Page {
  public:
    explicit WipeSettingsPage(WizardSettings& settings) : Page(settings) {}
    int Template() const override;

  protected:
    void OnOpen(PageView& view) override;
    std::optional<PageResult> OnCommand(PageView& view, int id) override;
    const char16_t* HelpTopic() const override { return kHelpSelectScheme; }

  private:
    void Fill(PageView& view);
    PageResult Leave(const PageView& view, PageResult result);
};

}  // namespace wizard::pages

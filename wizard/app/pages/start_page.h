// The start page (template 102): the choice of the medium.
// Interface thread only.
#pragma once

#include "wizard/app/pages/page.h"

namespace wizard::pages {

// The system version the start page chooses its buttons by.
struct SystemVersion {
    unsigned major = 10, minor = 0;
};

// Command links need Windows 6.0 or later: versions 5.1 and 5.2 get the plain
// buttons instead.
bool UsesCommandLinks(SystemVersion version);

class StartPage : public Page {
  public:
    StartPage(WizardSettings& settings, SystemVersion version);
    int Template() const override;

  protected:
    void OnOpen(PageView& view) override;
    std::optional<PageResult> OnCommand(PageView& view, int id) override;

  private:
    bool commandLinks_;
};

}  // namespace wizard::pages

// The finish page (template 152): the outcome of the build.
// Interface thread only.
#pragma once

#include "wizard/app/pages/page.h"

namespace wizard::pages {

// The medium's title on the progress and finish pages.
platform::WString MediumTitle(const WizardSettings& settings);

class FinishPage : public Page {
  public:
    explicit FinishPage(WizardSettings& settings) : Page(settings) {}
    int Template() const override;

  protected:
    void OnOpen(PageView& view) override;
    std::optional<PageResult> OnCommand(PageView& view, int id) override;
};

}  // namespace wizard::pages

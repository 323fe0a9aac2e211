// The work mode page (template 133): automatic or manual wiping, and whether
// the wiping options are changed on the next page.
// Interface thread only.
#pragma once

#include "wizard/app/pages/page.h"

namespace wizard::pages {

class WorkModePage : public Page {
  public:
    // Takes AutoStart and UseDefaultSetings as loaded; call once per run.
    explicit WorkModePage(WizardSettings& settings);
    int Template() const override;

  protected:
    void OnOpen(PageView& view) override;
    std::optional<PageResult> OnCommand(PageView& view, int id) override;
    const char16_t* HelpTopic() const override { return kHelpAutomatic; }

  private:
    void SetMode(PageView& view, bool automatic);
    PageResult Leave(const PageView& view, PageResult result);

    bool automatic_;
    bool changeDefaults_;
};

}  // namespace wizard::pages

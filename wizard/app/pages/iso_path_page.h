// The ISO image path page (template 142): where the image is written, with a
// check that the file can be created there (no file is left behind).
// Interface thread only.
#pragma once

#include "wizard/app/pages/page.h"

namespace wizard::pages {

// The longest path the page keeps (characters, terminator included).
constexpr size_t kIsoPathChars = 260;

// Appends ".iso" when the name has 4 characters or fewer or does not end in
// ".iso" (any case).
WString WithIsoExtension(const WString& path);
// Completes the name with WithIsoExtension and checks that the file can be
// opened or created there; a file created by the check is removed again.
bool CheckIsoPath(WString& path);

class IsoPathPage : public Page {
  public:
    // Takes IsoPath of the settings as loaded; call once per run.
    explicit IsoPathPage(WizardSettings& settings);
    int Template() const override;

  protected:
    void OnOpen(PageView& view) override;
    std::optional<PageResult> OnCommand(PageView& view, int id) override;
    const char16_t* HelpTopic() const override { return kHelpChoosingMedia; }

  private:
    void Browse(PageView& view);
    void ReadEdit(const PageView& view);
    bool CheckWithMessage(PageView& view, WString& path);

    WString path_;  // the page's own buffer, kept between visits
};

}  // namespace wizard::pages

// Page: the logic of one wizard page, shared by every page: opening at the
// stored window position, the Help control, Cancel, and leaving by Next or
// Back (or a start page button), which stores the window position first.
//
// Pages are built once per run with a reference to the settings and reused on
// every visit. Interface thread only.
#pragma once

#include <optional>

#include "qo_version.h"
#include "wizard/app/pages/page_view.h"
#include "wizard/settings/wizard_settings.h"

namespace wizard::pages {

// The help topics, appended to the help file's name.
inline constexpr char16_t kHelpChoosingMedia[] =
    u"::/HTML_Help/html/04_using/Configuration Wizard/06_choosing_media.htm>mainwin";
inline constexpr char16_t kHelpAutomatic[] =
    u"::/HTML_Help/html/04_using/Configuration Wizard/02_configuration_for_automatic.htm>mainwin";
inline constexpr char16_t kHelpSelectScheme[] =
    u"::/HTML_Help/html/04_using/Configuration Wizard/03_select_scheme.htm>mainwin";
inline constexpr char16_t kHelpLogSetting[] =
    u"::/HTML_Help/html/04_using/Configuration Wizard/02_log_setting.htm>mainwin";
inline constexpr char16_t kHelpUsbSummary[] =
    u"::/HTML_Help/html/04_using/Configuration Wizard/07b_usb.htm>mainwin";

// The caption of every page and message box of the wizard.
inline constexpr char16_t kWizardCaption[] = u"" QO_PRODUCT_NAME;

// The font height of a control.
struct ControlFont {
    int id;
    int height;
};

class Page {
  public:
    explicit Page(WizardSettings& settings) : settings_(settings) {}
    virtual ~Page() = default;
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    // The dialog template the page runs.
    virtual int Template() const = 0;

    // Fills the controls for a new visit and moves the window to the stored
    // position (when it is not 0, 0).
    void Open(PageView& view);
    // A click on a control (or Esc / the close box as Cancel, id 2). Closes the
    // page through the view when the click ends the visit.
    void Command(PageView& view, int id);
    // The system reported that a volume arrived or was removed.
    virtual void VolumesChanged(PageView&) {}

  protected:
    virtual void OnOpen(PageView& view) = 0;
    // The result that ends the visit, or nothing to stay.
    virtual std::optional<PageResult> OnCommand(PageView& view, int id);
    // The topic of the page's Help control; null when it has none.
    virtual const char16_t* HelpTopic() const { return nullptr; }
    // The font heights of the page's controls.
    void ApplyFonts(PageView& view, std::initializer_list<ControlFont> fonts);

    WizardSettings& settings_;
};

// A text cut to the length a page keeps of it.
inline WString CutText(WString text, size_t maxChars) {
    if (text.size() > maxChars)
        text.resize(maxChars);
    return text;
}

// The window position a page stores when it is left: not on Cancel.
void StorePosition(WizardSettings& settings, const PageView& view);

}  // namespace wizard::pages

#include "wizard/app/pages/page.h"

#include "wizard/app/pages/control_ids.h"

namespace wizard::pages {

void StorePosition(WizardSettings& settings, const PageView& view) {
    const WindowPoint p = view.Position();
    settings.WindowX = p.x;
    settings.WindowY = p.y;
}

void Page::Open(PageView& view) {
    OnOpen(view);
    if (settings_.WindowX != 0 || settings_.WindowY != 0)
        view.MoveTo({settings_.WindowX, settings_.WindowY});
}

void Page::Command(PageView& view, int id) {
    const std::optional<PageResult> result = OnCommand(view, id);
    if (!result)
        return;
    if (*result != PageResult::Cancel)
        StorePosition(settings_, view);
    view.Close(*result);
}

std::optional<PageResult> Page::OnCommand(PageView& view, int id) {
    switch (id) {
        case IDC_CANCEL:
            return PageResult::Cancel;
        case IDC_HELP_BUTTON:
            if (const char16_t* topic = HelpTopic())
                view.OpenHelp(topic);
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

void Page::ApplyFonts(PageView& view, std::initializer_list<ControlFont> fonts) {
    for (const ControlFont& f : fonts)
        view.SetFontHeight(f.id, f.height);
}

}  // namespace wizard::pages

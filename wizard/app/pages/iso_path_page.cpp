#include "wizard/app/pages/iso_path_page.h"

#include "platform/files.h"
#include "wizard/app/pages/control_ids.h"

namespace wizard::pages {
WString WithIsoExtension(const WString& path) {
    if (path.size() > 4 && platform::EqualsIgnoreCase(WString(path, path.size() - 4), u".iso"))
        return path;
    return path + u".iso";
}

bool CheckIsoPath(WString& path) {
    path = WithIsoExtension(path);
    return platform::ProbeFileAccess(path);
}

IsoPathPage::IsoPathPage(WizardSettings& settings) : Page(settings) {
    if (settings.IsoPath)
        path_ = CutText(*settings.IsoPath, kIsoPathChars - 1);
}

int IsoPathPage::Template() const {
    return IDD_ISO_PATH;
}

void IsoPathPage::OnOpen(PageView& view) {
    ApplyFonts(view, {{IDC_ISO_TITLE, 21}});
    view.SetText(IDC_ISO_PATH, path_);
    view.SetCueBanner(IDC_ISO_PATH, u"Enter path to ISO image file");
}

bool IsoPathPage::CheckWithMessage(PageView& view, WString& path) {
    // The extension must still fit the page's buffer.
    if (CheckIsoPath(path) && path.size() < kIsoPathChars)
        return true;
    view.ShowMessage(u"Error in creating or opening file.", MessageButtons::Ok, MessageIcon::None);
    return false;
}

void IsoPathPage::Browse(PageView& view) {
    FileDialogRequest request;
    request.title = u"Browse folder and enter file name for ISO image file";
    request.filterName = u"ISO image files (*.iso)";
    request.filterPattern = u"*.ISO";
    const size_t slash = path_.find_last_of(u"\\/");
    request.initialFolder = slash == WString::npos ? WString() : path_.substr(0, slash + 1);
    request.fileName = path_;
    std::optional<WString> chosen = view.BrowseForFile(request);
    if (!chosen)
        return;
    WString name = CutText(*chosen, kIsoPathChars - 1);
    if (CheckWithMessage(view, name))
        view.SetText(IDC_ISO_PATH, name);
}

void IsoPathPage::ReadEdit(const PageView& view) {
    path_ = CutText(view.Text(IDC_ISO_PATH), kIsoPathChars - 1);
}

std::optional<PageResult> IsoPathPage::OnCommand(PageView& view, int id) {
    switch (id) {
        case IDC_ISO_BROWSE:
            Browse(view);
            return std::nullopt;
        case IDC_NEXT:
            ReadEdit(view);
            if (path_.empty()) {
                view.ShowMessage(u"Please enter path and file name for ISO image of bootable disk.",
                                 MessageButtons::Ok, MessageIcon::None);
                return std::nullopt;
            }
            if (!CheckWithMessage(view, path_))
                return std::nullopt;
            settings_.IsoPath = path_;
            return PageResult::Next;
        case IDC_BACK:
            ReadEdit(view);
            if (!path_.empty())
                settings_.IsoPath = path_;
            return PageResult::Back;
        default:
            return Page::OnCommand(view, id);
    }
}

}  // namespace wizard::pages

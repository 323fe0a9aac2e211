#include "updater/app/win32/dlg_page_about.h"

#include "platform/win32/wide.h"
#include "updater/app/updater_strings.h"
#include "updater/app/win32/resource.h"
#include "updater/support/formatter.h"
#include "updater/support/version_resource.h"

namespace updater {
namespace {

// Room for the version values, with their terminators; a longer value leaves
// the template texts.
constexpr size_t kFileVersionCapacity = 20;
constexpr size_t kCopyrightCapacity = 128;
constexpr size_t kTextCapacity = 512;

platform::WString ProgramPath() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return platform::FromWide(path, length);
}

}  // namespace

cDlgPageAbout::cDlgPageAbout(MainWindowContext& context)
    : cDlgPage(IDD_PAGE_ABOUT), context_(context) {}

BOOL cDlgPageAbout::OnInit() {
    HWND page = Window();
    Anchor(IDC_ABOUT_COPYRIGHT, kStretchWidth);
    const platform::WString program = ProgramPath();
    char16_t version[kFileVersionCapacity] = {};
    size_t capacity = kFileVersionCapacity;
    if (program.empty() || !VersionResourceText(program, version, capacity, u"FileVersion"))
        return TRUE;
    wchar_t pattern[kTextCapacity] = {};
    GetDlgItemTextW(page, IDC_ABOUT_TEXT, pattern, kTextCapacity);
    const platform::WString text = FormatToString(kTextCapacity, platform::FromWide(pattern),
                                                  context_.Text(kStrTitle), version);
    SetDlgItemTextW(page, IDC_ABOUT_TEXT, platform::Wide(text));
    char16_t copyright[kCopyrightCapacity] = {};
    capacity = kCopyrightCapacity;
    if (VersionResourceText(program, copyright, capacity, u"LegalCopyright"))
        SetDlgItemTextW(page, IDC_ABOUT_COPYRIGHT, platform::Wide(copyright));
    return TRUE;
}

}  // namespace updater

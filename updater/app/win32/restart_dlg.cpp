#include "updater/app/win32/restart_dlg.h"

#include "platform/win32/wide.h"
#include "updater/app/dialog_placement.h"
#include "updater/app/win32/resource.h"

namespace updater {
namespace {

platform::WString ControlText(HWND dialog, int id) {
    wchar_t text[512] = {};
    const int length = GetDlgItemTextW(dialog, id, text, 512);
    return platform::FromWide(text, static_cast<size_t>(length > 0 ? length : 0));
}

}  // namespace

cRestartDlg::cRestartDlg(platform::WStringView title, platform::WStringView product)
    : cColoredDlg(IDD_RESTART), programTitle_(title), product_(product) {
    SetIcon(nullptr, IDI_WARNING);
    SetSeparatorControl(IDC_BAND_LINE);
    SetIconControl(IDC_HEADER_ICON);
    SetTitleControl(IDC_HEADER_TEXT);
}

BOOL cRestartDlg::OnInit() {
    HWND window = Window();
    // The template's text (translated by now) is the pattern for the product.
    platform::WString pattern = ControlText(window, IDC_RESTART_TEXT);
    if (pattern.empty())
        pattern = kRestartTextTemplate;
    const RestartDialogLogic logic(programTitle_, product_, pattern);
    SetCaption(logic.Caption());
    cColoredDlg::OnInit();
    SetDlgItemTextW(window, IDC_RESTART_TEXT, platform::Wide(logic.Text()));
    RECT frame{};
    GetWindowRect(window, &frame);
    const Point place =
        CentredOnScreen(frame.right - frame.left, frame.bottom - frame.top,
                        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    SetWindowPos(window, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    return TRUE;
}

void cRestartDlg::OnCommand(int id, int) {
    if (const auto end = RestartDialogLogic::OnCommand(id))
        End(*end);
}

int Win32RestartQuestion::Ask(void* owner, platform::WStringView title,
                              platform::WStringView product) {
    cRestartDlg dialog(title, product);
    return dialog.RunModal(instance_, static_cast<HWND>(owner)) == kRestartNow ? kRestartNow
                                                                               : kRestartLater;
}

}  // namespace updater

#include "updater/app/win32/mb_text_dlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include "platform/win32/wide.h"
#include "updater/app/dialog_placement.h"
#include "updater/app/win32/resource.h"

namespace updater {

namespace {

// The link's template text is plain, so that the language layer finds its
// translation by the text itself; the link markup goes around it afterwards.
void MarkUpLink(HWND dialog) {
    HWND link = GetDlgItem(dialog, IDC_RELEASE_NOTES_LINK);
    if (link == nullptr)
        return;
    wchar_t text[256] = {};
    const int length = GetWindowTextW(link, text, 256);
    const platform::WString plain =
        platform::FromWide(text, static_cast<size_t>(length > 0 ? length : 0));
    if (plain.find(u"<a") != platform::WString::npos)
        return;
    const platform::WString marked = u"<a>" + plain + u"</a>";
    SetWindowTextW(link, platform::Wide(marked));
}

}  // namespace

bool OpenWithShell(HWND owner, platform::WStringView address) {
    const platform::WString target(address);
    const HINSTANCE result =
        ShellExecuteW(owner, L"open", platform::Wide(target), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

cMBTextDlg::cMBTextDlg(platform::WStringView text, platform::WStringView caption, LPCWSTR icon,
                       unsigned dialogId, platform::WStringView link)
    : cColoredDlg(dialogId), text_(text), link_(link), opener_(OpenWithShell) {
    SetCaption(caption);
    SetIcon(nullptr, icon);
    SetSeparatorControl(IDC_BAND_LINE);
    SetIconControl(IDC_HEADER_ICON);
}

BOOL cMBTextDlg::OnInit() {
    cColoredDlg::OnInit();
    HWND window = Window();
    SetDlgItemTextW(window, IDC_HEADER_TEXT, platform::Wide(text_));
    MarkUpLink(window);
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT frame{};
    GetWindowRect(window, &frame);
    const Point place =
        NearCursor(Point{cursor.x, cursor.y}, frame.right - frame.left, frame.bottom - frame.top,
                   GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    SetWindowPos(window, HWND_TOPMOST, place.x, place.y, 0, 0, SWP_NOSIZE);
    // The focus starts on the default button "&Yes", not on the first control.
    SetFocus(GetDlgItem(window, IDYES));
    return FALSE;
}

void cMBTextDlg::OnCommand(int id, int) {
    switch (id) {
        case IDYES:
        case IDNO:
        case IDC_VIEW_DETAILS:
        case IDCANCEL:
            End(id);
            break;
        default:
            break;
    }
}

void cMBTextDlg::OpenLink() {
    if (link_.empty() || !opener_ || !opener_(Window(), link_))
        return;
    LITEM item{};
    item.mask = LIF_ITEMINDEX | LIF_STATE;
    item.iLink = 0;
    item.state = LIS_VISITED;
    item.stateMask = LIS_VISITED;
    SendDlgItemMessageW(Window(), IDC_RELEASE_NOTES_LINK, LM_SETITEM, 0,
                        reinterpret_cast<LPARAM>(&item));
}

INT_PTR cMBTextDlg::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_RELEASE_NOTES_LINK &&
            (header->code == NM_CLICK || header->code == NM_RETURN)) {
            OpenLink();
            return TRUE;
        }
    }
    return cColoredDlg::DialogProc(message, wParam, lParam);
}

int AskQuestion(HINSTANCE instance, HWND owner, platform::WStringView text,
                platform::WStringView caption, LPCWSTR icon, unsigned dialogId,
                platform::WStringView link) {
    cMBTextDlg dialog(text, caption, icon, dialogId, link);
    return static_cast<int>(dialog.RunModal(instance, owner));
}

}  // namespace updater

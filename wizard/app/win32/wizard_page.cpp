#include "wizard_page.h"

#include <commctrl.h>
#include <dbt.h>

#include "about_dialog.h"
#include "resource.h"

namespace wizard::win32 {

pages::PageResult WizardPage::DoModal(HWND owner) {
    const INT_PTR result = DialogBoxParamW(instance_, MAKEINTRESOURCEW(logic_.Template()), owner,
                                           DialogProc, reinterpret_cast<LPARAM>(this));
    view_.reset();
    window_ = nullptr;
    if (result <= 0)
        return pages::PageResult::Cancel;
    return static_cast<pages::PageResult>(result);
}

INT_PTR CALLBACK WizardPage::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* page = reinterpret_cast<WizardPage*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        page->window_ = dialog;
        page->view_ = std::make_unique<Win32PageView>(page->instance_, dialog);
        page->Initialize();
        return TRUE;
    }
    auto* page = reinterpret_cast<WizardPage*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!page || !page->view_)
        return FALSE;
    return page->Handle(message, wParam, lParam);
}

void WizardPage::Initialize() {
    bigIcon_ = LoadProgramIcon(instance_, IDI_PROGRAM, GetSystemMetrics(SM_CXICON));
    smallIcon_ = LoadProgramIcon(instance_, IDI_PROGRAM, GetSystemMetrics(SM_CXSMICON));
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    if (HMENU menu = GetSystemMenu(window_, FALSE)) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, IDM_ABOUT, L"About");
    }
    logic_.Open(*view_);
    OnInitialized();
}

INT_PTR WizardPage::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CTLCOLORDLG:
            return reinterpret_cast<INT_PTR>(white_);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return ColorControl(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_COMMAND:
            // Clicks only (BN_CLICKED and STN_CLICKED are both 0); Enter and Esc
            // arrive as clicks of ids 1 and 2.
            if (HIWORD(wParam) == 0)
                logic_.Command(*view_, LOWORD(wParam));
            return TRUE;
        case WM_NOTIFY:
            return Notify(*reinterpret_cast<const NMHDR*>(lParam)) ? TRUE : FALSE;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == IDM_ABOUT) {
                RunAboutDialog(instance_, window_);
                return TRUE;
            }
            return FALSE;
        case WM_DEVICECHANGE: {
            const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
            if ((wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) && header &&
                header->dbch_devicetype == DBT_DEVTYP_VOLUME)
                logic_.VolumesChanged(*view_);
            return TRUE;
        }
        case WM_PAINT:
            if (IsIconic(window_)) {
                PaintMinimized();
                return TRUE;
            }
            return FALSE;
        default: {
            INT_PTR result = FALSE;
            if (OnMessage(message, wParam, lParam, result))
                return result;
            return FALSE;
        }
    }
}

bool WizardPage::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) {
    return false;
}

INT_PTR WizardPage::ColorControl(HDC dc, HWND control) {
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    if (_wcsicmp(className, L"Edit") == 0) {
        // Read-only and disabled edit boxes: opaque white, so typed text stays legible.
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<INT_PTR>(white_);
    }
    SetBkMode(dc, TRANSPARENT);
    if (const std::optional<COLORREF> color = view_->TextColorOf(GetDlgCtrlID(control)))
        SetTextColor(dc, *color);
    return reinterpret_cast<INT_PTR>(white_);
}

bool WizardPage::Notify(const NMHDR& header) {
    const int id = static_cast<int>(header.idFrom);
    if (header.code == NM_CLICK || header.code == NM_RETURN) {
        wchar_t className[16] = {};
        GetClassNameW(header.hwndFrom, className, 16);
        if (_wcsicmp(className, WC_LINK) == 0) {
            logic_.Command(*view_, id);
            return true;
        }
        return false;
    }
    if (header.code == LVN_ITEMCHANGED && !view_->FillingList()) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) &&
            ((change.uOldState ^ change.uNewState) & LVIS_SELECTED))
            logic_.Command(*view_, id);
        return true;
    }
    return false;
}

void WizardPage::PaintMinimized() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    SendMessageW(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(window_, &client);
    const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
    DrawIcon(dc, (client.right - cx + 1) / 2, (client.bottom - cy + 1) / 2, bigIcon_.get());
    EndPaint(window_, &paint);
}

}  // namespace wizard::win32

#include "about_dialog.h"

#include <string>

#include "qo_version.h"
#include "resource.h"

namespace wizard {
namespace {

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            const std::wstring text =
                L"Version "
                L"" QO_VERSION_TEXT;
            SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, text.c_str());
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

INT_PTR RunAboutDialog(HINSTANCE instance, HWND owner) {
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutProc, 0);
}

}  // namespace wizard

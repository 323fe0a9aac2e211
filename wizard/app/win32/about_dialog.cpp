#include "about_dialog.h"

#include <cstdio>
#include <string>
#include <vector>

#include "resource.h"

namespace wizard {
namespace {

// The program's file version text, under the first language and code page of
// its translation list (language 0, code page 1252 without one); "3.50" when
// the program has no version resource.
std::wstring FileVersionText() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = length ? GetFileVersionInfoSizeW(path, &ignored) : 0;
    std::vector<unsigned char> block(size);
    if (size == 0 || !GetFileVersionInfoW(path, 0, size, block.data()))
        return L"3.50";
    unsigned language = 0, codePage = 1252;
    void* translation = nullptr;
    UINT translationSize = 0;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation,
                       &translationSize) &&
        translationSize >= 4) {
        const auto* pair = static_cast<const WORD*>(translation);
        language = pair[0];
        codePage = pair[1];
    }
    wchar_t query[64];
    std::swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", language, codePage);
    void* value = nullptr;
    UINT valueSize = 0;
    if (!VerQueryValueW(block.data(), query, &value, &valueSize) || valueSize == 0)
        return {};
    return std::wstring(static_cast<const wchar_t*>(value));
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            const std::wstring text = L"Version " + FileVersionText();
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

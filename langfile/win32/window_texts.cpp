#include "langfile/window_texts.h"

#include <windows.h>

#include <string>

#include "platform/win32/wide.h"

namespace langfile {
namespace {

const std::u16string* Lookup(const Language& language, const std::u16string& text) {
    const auto found = language.catalog.find(text);
    return found == language.catalog.end() ? nullptr : &found->second;
}

std::u16string WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0)
        return {};
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    const int got = GetWindowTextW(window, platform::Wide(text.data()), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

// Controls whose text is the user's data, not the program's.
bool HoldsUserText(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return lstrcmpiW(name, L"Edit") == 0 || lstrcmpiW(name, L"ComboBox") == 0 ||
           lstrcmpiW(name, L"ListBox") == 0 || lstrcmpiW(name, L"RichEdit20W") == 0 ||
           lstrcmpiW(name, L"SysListView32") == 0 || lstrcmpiW(name, L"SysTreeView32") == 0;
}

bool TranslateWindow(const Language& language, HWND window) {
    if (HoldsUserText(window))
        return false;
    const std::u16string* translation = Lookup(language, WindowText(window));
    if (translation == nullptr)
        return false;
    SetWindowTextW(window, platform::Wide(*translation));
    if (language.rightToLeft) {
        const LONG_PTR style = GetWindowLongPtrW(window, GWL_EXSTYLE);
        SetWindowLongPtrW(window, GWL_EXSTYLE, style | WS_EX_RTLREADING);
    }
    return true;
}

struct DialogWalk {
    const Language* language;
    int replaced;
};

BOOL CALLBACK TranslateChild(HWND child, LPARAM data) {
    auto* walk = reinterpret_cast<DialogWalk*>(data);
    if (TranslateWindow(*walk->language, child))
        ++walk->replaced;
    return TRUE;
}

int TranslateMenuLevel(const Language& language, HMENU menu, int depth) {
    const int count = GetMenuItemCount(menu);
    if (count < 0 || depth > 16)
        return 0;
    int replaced = 0;
    for (int i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_STRING | MIIM_SUBMENU | MIIM_FTYPE;
        item.dwTypeData = text;
        item.cch = 512;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item))
            continue;
        if (item.hSubMenu != nullptr)
            replaced += TranslateMenuLevel(language, item.hSubMenu, depth + 1);
        if ((item.fType & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW)) != 0)
            continue;
        const std::u16string* translation = Lookup(language, platform::FromWide(text));
        if (translation == nullptr)
            continue;
        MENUITEMINFOW update{};
        update.cbSize = sizeof(update);
        update.fMask = MIIM_STRING;
        update.dwTypeData = const_cast<wchar_t*>(platform::Wide(*translation));
        if (SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &update))
            ++replaced;
    }
    return replaced;
}

// Moves a child to the mirror position of its place in the parent's client area.
BOOL CALLBACK MirrorChild(HWND child, LPARAM data) {
    const HWND parent = reinterpret_cast<HWND>(data);
    if (GetParent(child) != parent)
        return TRUE;
    RECT client{}, rect{};
    GetClientRect(parent, &client);
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    const LONG width = rect.right > rect.left ? rect.right - rect.left : rect.left - rect.right;
    const LONG left = rect.left < rect.right ? rect.left : rect.right;
    SetWindowPos(child, nullptr, client.right - left - width,
                 rect.top < rect.bottom ? rect.top : rect.bottom, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

}  // namespace

int TranslateDialogTexts(const Language& language, void* window) {
    const HWND dialog = static_cast<HWND>(window);
    if (dialog == nullptr || !IsWindow(dialog))
        return -1;
    DialogWalk walk{&language, 0};
    if (TranslateWindow(language, dialog))
        ++walk.replaced;
    EnumChildWindows(dialog, TranslateChild, reinterpret_cast<LPARAM>(&walk));
    return walk.replaced;
}

int TranslateMenuTexts(const Language& language, void* menu) {
    const HMENU handle = static_cast<HMENU>(menu);
    if (handle == nullptr || !IsMenu(handle))
        return -1;
    return TranslateMenuLevel(language, handle, 0);
}

void SetDialogLayout(void* window, bool rightToLeft) {
    const HWND dialog = static_cast<HWND>(window);
    if (dialog == nullptr || !IsWindow(dialog))
        return;
    const LONG_PTR style = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    const bool mirrored = (style & WS_EX_LAYOUTRTL) != 0;
    if (mirrored == rightToLeft)
        return;
    // Children keep their screen places when the parent's layout flips; move
    // each to its mirror position so the arrangement reads from the other side.
    SetWindowLongPtrW(dialog, GWL_EXSTYLE,
                      rightToLeft ? style | WS_EX_LAYOUTRTL : style & ~LONG_PTR{WS_EX_LAYOUTRTL});
    EnumChildWindows(dialog, MirrorChild, reinterpret_cast<LPARAM>(dialog));
    InvalidateRect(dialog, nullptr, TRUE);
}

}  // namespace langfile

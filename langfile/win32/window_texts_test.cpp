#include "langfile/window_texts.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace langfile {
namespace {

std::u16string Text(HWND window) {
    wchar_t text[128] = {};
    GetWindowTextW(window, text, 128);
    return reinterpret_cast<const char16_t*>(text);
}

std::u16string MenuText(HMENU menu, UINT position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return reinterpret_cast<const char16_t*>(text);
}

class Window {
  public:
    Window(HWND parent, const wchar_t* className, const wchar_t* text, int x)
        : handle_(CreateWindowExW(0, className, text, parent ? WS_CHILD : WS_POPUP, x, 10, 50, 20,
                                  parent, nullptr, GetModuleHandleW(nullptr), nullptr)) {}
    ~Window() { DestroyWindow(handle_); }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    HWND get() const { return handle_; }

  private:
    HWND handle_;
};

void German(Language& language, bool rightToLeft) {
    language.catalog = {{u"Download", u"Herunterladen"},
                        {u"&Stop", u"&Anhalten"},
                        {u"&No", u"&Nein"},
                        {u"&Yes", u"&Ja"}};
    language.rightToLeft = rightToLeft;
}

TEST(WindowTexts, TranslatesCaptionsAndControlsButNotUserText) {
    Language language;
    German(language, true);
    Window dialog(nullptr, L"STATIC", L"Download", 0);
    ASSERT_NE(dialog.get(), nullptr);
    Window button(dialog.get(), L"BUTTON", L"&Stop", 10);
    Window edit(dialog.get(), L"EDIT", L"&Stop", 80);
    Window other(dialog.get(), L"STATIC", L"Not translated", 150);
    EXPECT_EQ(TranslateDialogTexts(language, dialog.get()), 2);
    EXPECT_EQ(Text(dialog.get()), u"Herunterladen");
    EXPECT_EQ(Text(button.get()), u"&Anhalten");
    EXPECT_EQ(Text(edit.get()), u"&Stop");
    EXPECT_EQ(Text(other.get()), u"Not translated");
    EXPECT_NE(GetWindowLongPtrW(button.get(), GWL_EXSTYLE) & WS_EX_RTLREADING, 0);
    EXPECT_EQ(TranslateDialogTexts(language, nullptr), -1);

    SetDialogLayout(dialog.get(), true);
    EXPECT_NE(GetWindowLongPtrW(dialog.get(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);
    SetDialogLayout(dialog.get(), false);
    EXPECT_EQ(GetWindowLongPtrW(dialog.get(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);
}

TEST(WindowTexts, TranslatesMenusWithTheirSubmenus) {
    Language language;
    German(language, false);
    HMENU menu = CreateMenu();
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, 1, L"&Yes");
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING, 2, L"Unknown");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"&No");
    EXPECT_EQ(TranslateMenuTexts(language, menu), 2);
    EXPECT_EQ(MenuText(menu, 0), u"&Nein");
    EXPECT_EQ(MenuText(popup, 0), u"&Ja");
    EXPECT_EQ(MenuText(popup, 2), u"Unknown");
    DestroyMenu(menu);
    EXPECT_EQ(TranslateMenuTexts(language, nullptr), -1);
}

}  // namespace
}  // namespace langfile

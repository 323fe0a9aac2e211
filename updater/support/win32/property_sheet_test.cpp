#include "updater/support/win32/property_sheet.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/support/lang_file.h"

namespace updater {
namespace {

constexpr int kPageTemplate = 300;  // support_test.rc

INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

thread_local int callerCalls = 0;
int CALLBACK CallerCallback(HWND, UINT message, LPARAM) {
    if (message == PSCB_INITIALIZED)
        ++callerCalls;
    return 0;
}

std::wstring TabText(HWND sheet, int index) {
    wchar_t text[128] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 128;
    TabCtrl_GetItem(PropSheet_GetTabControl(sheet), index, &item);
    return text;
}

std::wstring ControlText(HWND window, int id) {
    wchar_t text[128] = {};
    GetDlgItemTextW(window, id, text, 128);
    return text;
}

// A right-to-left test language from the real language library: the sheet
// comes up mirrored although new windows are not (the sheet's layout is set
// by the translation), with its button and page titles translated; the
// caller's own callback still runs.
TEST(LangPropertySheet, TranslatesLayoutTextsAndPageTitlesWhenInitialised) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    qo::test::ScratchFolder folder(u"qo-sheet");
    const platform::WString build =
        platform::ParentFolder(platform::ParentFolder(platform::ProgramFolder()));
    ASSERT_TRUE(platform::CopyOneFile(
        platform::JoinPath(platform::JoinPath(build, u"langfile"), cLangFile::kLibraryName),
        folder / cLangFile::kLibraryName));
    folder.Write(u"langfile.txt",
                 "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                 "msgid \"RightToLeft\"\nmsgstr \"TRUE\"\n\n"
                 "msgid \"Cancel\"\nmsgstr \"Abbrechen\"\n\n"
                 "msgid \"Schedule\"\nmsgstr \"Zeitplan\"\n\n");
    cLangFile lang;
    ASSERT_TRUE(lang.Start(folder / u"SheetTest.exe"));
    ASSERT_TRUE(lang.RightToLeft());
    SetProcessLayout(false);  // only the sheet's own layout switch may mirror it

    PROPSHEETPAGEW pages[2]{};
    const wchar_t* titles[2] = {L"Schedule", L"Untranslated"};
    for (int i = 0; i < 2; ++i) {
        pages[i].dwSize = sizeof(PROPSHEETPAGEW);
        pages[i].dwFlags = PSP_USETITLE;
        pages[i].hInstance = GetModuleHandleW(nullptr);
        pages[i].pszTemplate = MAKEINTRESOURCEW(kPageTemplate);
        pages[i].pszTitle = titles[i];
        pages[i].pfnDlgProc = PageProc;
    }
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_USECALLBACK | PSH_NOAPPLYNOW;
    header.hInstance = GetModuleHandleW(nullptr);
    header.pszCaption = L"Sheet";
    header.nPages = 2;
    header.ppsp = pages;
    header.pfnCallback = CallerCallback;
    HWND sheet = reinterpret_cast<HWND>(LangPropertySheet(header));
    ASSERT_TRUE(IsWindow(sheet)) << reinterpret_cast<INT_PTR>(sheet);

    EXPECT_NE(GetWindowLongPtrW(sheet, GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);
    EXPECT_EQ(TabText(sheet, 0), L"Zeitplan");
    EXPECT_EQ(TabText(sheet, 1), L"Untranslated");
    EXPECT_EQ(ControlText(sheet, IDCANCEL), L"Abbrechen");
    EXPECT_EQ(callerCalls, 1);
    DestroyWindow(sheet);
    lang.LoadLanguage(u"");
}

}  // namespace
}  // namespace updater

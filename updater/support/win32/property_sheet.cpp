#include "updater/support/win32/property_sheet.h"

#include <commctrl.h>

#include "platform/win32/wide.h"
#include "updater/support/lang_file.h"

namespace updater {
namespace {

// The caller's own callback for the latest sheet created on this thread (the
// system's callback carries no data of ours). A modeless sheet keeps it for
// its later notifications until the thread creates the next sheet.
thread_local PFNPROPSHEETCALLBACK callerCallback = nullptr;

int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lParam) {
    int result = 0;
    if (callerCallback != nullptr)
        result = callerCallback(sheet, message, lParam);
    if (message == PSCB_INITIALIZED)
        TranslatePropertySheet(sheet);
    return result;
}

void TranslatePageTitle(const cLangFile& lang, HWND tabs, int index) {
    wchar_t text[256] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 256;
    if (!TabCtrl_GetItem(tabs, index, &item) || text[0] == L'\0')
        return;
    const platform::WString current = platform::FromWide(item.pszText);
    const platform::WString translated = lang.Translate(platform::ToAnsi(current));
    if (translated.empty() || translated == current)
        return;
    platform::WString copy = translated;
    TCITEMW update{};
    update.mask = TCIF_TEXT;
    update.pszText = platform::Wide(copy.data());
    TabCtrl_SetItem(tabs, index, &update);
}

}  // namespace

void TranslatePropertySheet(HWND sheet) {
    const cLangFile* lang = cLangFile::Registered();
    if (lang == nullptr || sheet == nullptr)
        return;
    lang->TranslateDialog(sheet, false);
    HWND tabs = PropSheet_GetTabControl(sheet);
    if (tabs == nullptr)
        return;
    const int count = TabCtrl_GetItemCount(tabs);
    for (int i = 0; i < count; ++i)
        TranslatePageTitle(*lang, tabs, i);
}

INT_PTR LangPropertySheet(const PROPSHEETHEADERW& header) {
    PROPSHEETHEADERW translated = header;
    const PFNPROPSHEETCALLBACK previous = callerCallback;
    callerCallback = (header.dwFlags & PSH_USECALLBACK) != 0 ? header.pfnCallback : nullptr;
    translated.dwFlags |= PSH_USECALLBACK;
    translated.pfnCallback = SheetCallback;
    const INT_PTR result = PropertySheetW(&translated);
    if ((header.dwFlags & PSH_MODELESS) == 0)
        callerCallback = previous;
    return result;
}

}  // namespace updater

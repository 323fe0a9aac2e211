#include "win32_page_view.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "help.h"
#include "qo_version.h"
#include "resource.h"

namespace wizard::win32 {

using pages::WString;

IconHandle LoadProgramIcon(HINSTANCE instance, int resource, int size) {
    HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(resource), IMAGE_ICON, size, size, 0);
    if (!icon)
        icon = LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, size, size, 0);
    return IconHandle(static_cast<HICON>(icon));
}

WString Win32PageView::Text(int id) const {
    HWND item = Item(id);
    const int length = GetWindowTextLengthW(item);
    if (length <= 0)
        return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int got = GetWindowTextW(item, buffer.data(), length + 1);
    return platform::FromWide(buffer.data(), static_cast<size_t>(std::max(got, 0)));
}

void Win32PageView::SetText(int id, const WString& text) {
    SetDlgItemTextW(dialog_, id, platform::Wide(text));
}

bool Win32PageView::Checked(int id) const {
    return IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
}

void Win32PageView::SetChecked(int id, bool checked) {
    CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void Win32PageView::SetEnabled(int id, bool enabled) {
    EnableWindow(Item(id), enabled ? TRUE : FALSE);
}

void Win32PageView::SetVisible(int id, bool visible) {
    ShowWindow(Item(id), visible ? SW_SHOW : SW_HIDE);
}

void Win32PageView::SetCueBanner(int id, const WString& text) {
    SendMessageW(Item(id), EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(platform::Wide(text)));
}

void Win32PageView::SetTextLimit(int id, size_t maxChars) {
    SendMessageW(Item(id), EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
}

void Win32PageView::SetFontHeight(int id, int height) {
    FontHandle font(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg"));
    if (!font)
        return;
    SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    fonts_[id] = std::move(font);  // the control uses it until the page closes
}

void Win32PageView::SetTextColor(int id, pages::Rgb color) {
    colors_[id] = RGB(color.red, color.green, color.blue);
    InvalidateRect(Item(id), nullptr, TRUE);
}

std::optional<COLORREF> Win32PageView::TextColorOf(int id) const {
    const auto it = colors_.find(id);
    if (it == colors_.end())
        return std::nullopt;
    return it->second;
}

void Win32PageView::SetIcon(int id, int iconResource) {
    HWND item = Item(id);
    wchar_t className[32] = {};
    GetClassNameW(item, className, 32);
    const bool button = _wcsicmp(className, L"Button") == 0;
    IconHandle icon = LoadProgramIcon(instance_, iconResource, button ? 32 : 48);
    if (!icon)
        return;
    if (button)
        SendMessageW(item, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon.get()));
    else
        SendMessageW(item, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
    icons_[id] = std::move(icon);
}

void Win32PageView::SetListColumns(int id, const std::vector<WString>& headers) {
    HWND list = Item(id);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    listHeaders_[id] = headers;
    while (ListView_DeleteColumn(list, 0)) {
    }
    for (size_t i = 0; i < headers.size(); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(platform::Wide(headers[i]));
        column.cx = 80;
        column.iSubItem = static_cast<int>(i);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
}

void Win32PageView::SetListRows(int id, const std::vector<pages::ListRow>& rows,
                                std::optional<int32_t> selectedValue) {
    HWND list = Item(id);
    fillingList_ = true;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    for (size_t r = 0; r < rows.size(); ++r) {
        const pages::ListRow& row = rows[r];
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(r);
        item.pszText =
            const_cast<wchar_t*>(row.columns.empty() ? L"" : platform::Wide(row.columns[0]));
        item.lParam = row.value;
        const int index = static_cast<int>(
            SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        for (size_t c = 1; c < row.columns.size(); ++c) {
            LVITEMW sub{};
            sub.iSubItem = static_cast<int>(c);
            sub.pszText = const_cast<wchar_t*>(platform::Wide(row.columns[c]));
            SendMessageW(list, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&sub));
        }
        if (selectedValue && row.value == *selectedValue)
            ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED,
                                  LVIS_SELECTED | LVIS_FOCUSED);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    FitColumns(list, listHeaders_[id], rows);
    InvalidateRect(list, nullptr, TRUE);
    fillingList_ = false;
}

// Each column as wide as the larger of its content and its header, 20 to 200 pixels.
void Win32PageView::FitColumns(HWND list, const std::vector<WString>& headers,
                               const std::vector<pages::ListRow>& rows) {
    constexpr int kPadding = 14;  // the list's margins around a text
    for (size_t c = 0; c < headers.size(); ++c) {
        int width = ListView_GetStringWidth(list, platform::Wide(headers[c])) + kPadding;
        for (const pages::ListRow& row : rows)
            if (c < row.columns.size())
                width =
                    std::max(width, ListView_GetStringWidth(list, platform::Wide(row.columns[c])) +
                                        kPadding);
        ListView_SetColumnWidth(list, static_cast<int>(c), std::clamp(width, 20, 200));
    }
}

std::optional<int32_t> Win32PageView::SelectedListValue(int id) const {
    HWND list = Item(id);
    const int index = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (index < 0)
        return std::nullopt;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return std::nullopt;
    return static_cast<int32_t>(item.lParam);
}

void Win32PageView::ClearCombo(int id) {
    SendDlgItemMessageW(dialog_, id, CB_RESETCONTENT, 0, 0);
}

void Win32PageView::AddComboItem(int id, const WString& text, int32_t value) {
    const LRESULT index = SendDlgItemMessageW(dialog_, id, CB_ADDSTRING, 0,
                                              reinterpret_cast<LPARAM>(platform::Wide(text)));
    if (index >= 0)
        SendDlgItemMessageW(dialog_, id, CB_SETITEMDATA, static_cast<WPARAM>(index), value);
}

void Win32PageView::SelectComboValue(int id, int32_t value) {
    const LRESULT count = SendDlgItemMessageW(dialog_, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (SendDlgItemMessageW(dialog_, id, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == value) {
            SendDlgItemMessageW(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return;
        }
    }
    SendDlgItemMessageW(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

int32_t Win32PageView::SelectedComboValue(int id) const {
    const LRESULT index = SendDlgItemMessageW(dialog_, id, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return -1;
    return static_cast<int32_t>(
        SendDlgItemMessageW(dialog_, id, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void Win32PageView::SetProgress(int id, int position) {
    HWND bar = Item(id);
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

pages::MessageAnswer Win32PageView::ShowMessage(const WString& text, pages::MessageButtons buttons,
                                                pages::MessageIcon icon) {
    UINT flags = buttons == pages::MessageButtons::YesNo ? MB_YESNO : MB_OK;
    switch (icon) {
        case pages::MessageIcon::Information:
            flags |= MB_ICONINFORMATION;
            break;
        case pages::MessageIcon::Warning:
            flags |= MB_ICONWARNING;
            break;
        case pages::MessageIcon::Error:
            flags |= MB_ICONERROR;
            break;
        case pages::MessageIcon::None:
            break;
    }
    const int answer = MessageBoxW(dialog_, platform::Wide(text), L"" QO_PRODUCT_NAME, flags);
    return answer == IDYES  ? pages::MessageAnswer::Yes
           : answer == IDNO ? pages::MessageAnswer::No
                            : pages::MessageAnswer::Ok;
}

std::optional<WString> Win32PageView::BrowseForFile(const pages::FileDialogRequest& request) {
    wchar_t file[MAX_PATH] = {};
    const size_t n = std::min<size_t>(request.fileName.size(), MAX_PATH - 1);
    std::copy_n(platform::Wide(request.fileName), n, file);
    // "name\0pattern\0\0"
    WString filter = request.filterName + u'\0' + request.filterPattern + u'\0' + u'\0';
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = dialog_;
    dialog.lpstrFilter = platform::Wide(filter);
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir =
        request.initialFolder.empty() ? nullptr : platform::Wide(request.initialFolder);
    dialog.lpstrTitle = platform::Wide(request.title);
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_EXPLORER;
    if (!GetOpenFileNameW(&dialog))
        return std::nullopt;
    return platform::FromWide(file, wcsnlen(file, MAX_PATH));
}

void Win32PageView::OpenHelp(const WString& topic) {
    OpenHelpTopic(topic);
}

pages::WindowPoint Win32PageView::Position() const {
    RECT r{};
    GetWindowRect(dialog_, &r);
    return {r.left, r.top};
}

void Win32PageView::MoveTo(pages::WindowPoint point) {
    SetWindowPos(dialog_, nullptr, point.x, point.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void Win32PageView::Close(pages::PageResult result) {
    EndDialog(dialog_, static_cast<INT_PTR>(result));
}

}  // namespace wizard::win32

#include "updater/app/win32/dlg_page_versions.h"

#include <commctrl.h>

#include "platform/win32/wide.h"
#include "updater/app/updater_strings.h"
#include "updater/app/win32/resource.h"
#include "updater/config/updater_records.h"
#include "updater/config/win32/window_record_host.h"
#include "updater/support/win32/lang_message_box.h"

namespace updater {
namespace {

struct Column {
    unsigned title;
    int format;
    int width;
};
constexpr Column kColumns[kVersionColumns] = {
    {kStrColumnFile, LVCFMT_LEFT, 114}, {kStrColumnCurrent, LVCFMT_RIGHT, 114},
    {kStrColumnNew, LVCFMT_RIGHT, 114}, {kStrColumnLocation, LVCFMT_RIGHT, 140},
    {kStrColumnOs, LVCFMT_RIGHT, 63},
};
constexpr int kStateImageSize = 16;
constexpr COLORREF kStateImageMask = RGB(255, 0, 255);
constexpr wchar_t kColumnErrorCaption[] = L"Error in adding List View Column";

}  // namespace

void Win32VersionListView::Clear() {
    SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
}

void Win32VersionListView::Add(const VersionRow& row) {
    const platform::WString* texts[kVersionColumns] = {&row.fileName, &row.currentVersion,
                                                       &row.newVersion, &row.location, &row.os};
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    item.iImage = row.state;
    item.pszText = const_cast<wchar_t*>(platform::Wide(*texts[0]));
    const int at =
        static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0)
        return;
    for (int column = 1; column < kVersionColumns; ++column) {
        LVITEMW text{};
        text.iSubItem = column;
        text.pszText = const_cast<wchar_t*>(platform::Wide(*texts[column]));
        SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(at),
                     reinterpret_cast<LPARAM>(&text));
    }
}

cDlgPageVersions::cDlgPageVersions(MainWindowContext& context)
    : cDlgPage(IDD_PAGE_VERSIONS), context_(context) {
    auto filter = [this](int code) {
        if (code != BN_CLICKED)
            return;
        HWND page = Window();
        UpdateSettings& settings = context_.state.settings;
        settings.showAllFiles =
            IsDlgButtonChecked(page, IDC_VERSIONS_ALL_FILES) == BST_CHECKED ? 1 : 0;
        settings.showAllOs = IsDlgButtonChecked(page, IDC_VERSIONS_ALL_OS) == BST_CHECKED ? 1 : 0;
        Fill();
    };
    OnControl(IDC_VERSIONS_ALL_FILES, filter);
    OnControl(IDC_VERSIONS_ALL_OS, filter);
}

BOOL cDlgPageVersions::OnInit() {
    HWND page = Window();
    const UpdateSettings& settings = context_.state.settings;
    CheckDlgButton(page, IDC_VERSIONS_ALL_FILES, settings.showAllFiles != 0);
    CheckDlgButton(page, IDC_VERSIONS_ALL_OS, settings.showAllOs != 0);
    Anchor(IDC_VERSIONS_LIST, kStretchBoth);
    HWND list = GetDlgItem(page, IDC_VERSIONS_LIST);
    view_.Attach(list);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    if (!InsertColumns(list))
        return TRUE;
    // The list owns the image list and destroys it with itself.
    HIMAGELIST states = ImageList_LoadImageW(context_.instance,
                                             MAKEINTRESOURCEW(IDB_VERSION_STATES), kStateImageSize,
                                             0, kStateImageMask, IMAGE_BITMAP, LR_CREATEDIBSECTION);
    if (states != nullptr)
        SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(states));
    PrepareVersionsListRecord(record_);
    HwndRecordList stored(list);
    record_.Read(nullptr, &stored, nullptr, 0);
    context_.versionList = &view_;
    return TRUE;
}

bool cDlgPageVersions::InsertColumns(HWND list) {
    for (int index = 0; index < kVersionColumns; ++index) {
        const platform::WString title = context_.Text(kColumns[index].title);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = kColumns[index].format;
        column.cx = kColumns[index].width;
        column.pszText = const_cast<wchar_t*>(platform::Wide(title));
        column.iSubItem = index;
        if (SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                         reinterpret_cast<LPARAM>(&column)) < 0) {
            LangMessageBox(Window(), title, platform::FromWide(kColumnErrorCaption), MB_OK);
            return false;
        }
    }
    return true;
}

void cDlgPageVersions::Fill() {
    bool noComponents = false;
    context_.FillList(false, noComponents);
}

void cDlgPageVersions::Save() {
    HwndRecordWindow page(Window());
    HwndRecordList list(GetDlgItem(Window(), IDC_VERSIONS_LIST));
    record_.Save(&page, &list, {});
}

INT_PTR cDlgPageVersions::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kMsgPageShown:
            Fill();
            return TRUE;
        case WM_DESTROY:
            if (context_.versionList == &view_) {
                Save();
                context_.versionList = nullptr;
            }
            break;
        default:
            break;
    }
    return cDlgPage::DialogProc(message, wParam, lParam);
}

}  // namespace updater

#include "updater/app/win32/dlg_frame.h"

#include <commctrl.h>

#include <cstddef>

#include "platform/win32/wide.h"
#include "updater/app/main_window_rules.h"
#include "updater/app/updater_strings.h"
#include "updater/app/win32/dlg_page_about.h"
#include "updater/app/win32/dlg_page_main.h"
#include "updater/app/win32/dlg_page_versions.h"
#include "updater/app/win32/resource.h"
#include "updater/config/win32/window_record_host.h"
#include "updater/support/formatter.h"
#include "updater/support/message_owner.h"

namespace updater {
namespace {

constexpr COLORREF kBandColour = RGB(64, 128, 64);
// Control ids the frame gives its pages, so that they can be anchored.
constexpr int kFirstPageId = 2000;
constexpr size_t kTitleCapacity = 512;

const unsigned kPageTitles[kPageCount] = {kStrPageOptions, kStrPageVersions, kStrPageAbout};

// The narrow and the Unicode selection notices differ only in the type of
// their items' text pointers.
static_assert(sizeof(NMTREEVIEWA) == sizeof(NMTREEVIEWW) &&
              offsetof(NMTREEVIEWA, itemOld.hItem) == offsetof(NMTREEVIEWW, itemOld.hItem) &&
              offsetof(NMTREEVIEWA, itemNew.lParam) == offsetof(NMTREEVIEWW, itemNew.lParam));

}  // namespace

cDlgFrame::cDlgFrame(MainWindowContext& context, int initialPage)
    : cColoredDlg(IDD_MAIN_WINDOW), context_(context), initialPage_(initialPage) {
    SetBandColour(kBandColour);
    SetSeparatorControl(IDC_MAIN_BAND_LINE);
    SetTitleControl(IDC_MAIN_TITLE);
    SetIconControl(IDC_MAIN_ICON);
    SetIcon(context.instance, MAKEINTRESOURCEW(IDI_RENOVO));
    SetCaption(context.Text(kStrTitle));
}

cDlgFrame::~cDlgFrame() = default;

BOOL cDlgFrame::OnInit() {
    cColoredDlg::OnInit();
    HWND window = Window();
    context_.frame = window;
    if (HICON icon = LoadIconW(context_.instance, MAKEINTRESOURCEW(IDI_RENOVO))) {
        SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    Anchor(IDC_MAIN_TREE, kStretchHeight);
    Anchor(IDOK, kAnchorRightBottom);
    Anchor(IDCANCEL, kAnchorRightBottom);
    Anchor(IDC_MAIN_ICON, kAnchorRight);
    Anchor(IDC_MAIN_BAND_LINE, kStretchWidth);
    Anchor(IDC_MAIN_BOTTOM_LINE, kStretchWidthAnchorBottom);

    WindowMessageOwner owner(window);
    const bool loaded = context_.services.loadConfig
                            ? context_.services.loadConfig(owner, context_.state.config)
                            : LoadInstalledUpdateConfig(&owner, context_.state.config);
    if (!loaded) {
        End(kMainWindowNoConfig);
        return TRUE;
    }
    wchar_t pattern[kTitleCapacity] = {};
    GetDlgItemTextW(window, IDC_MAIN_TITLE, pattern, kTitleCapacity);
    const platform::WString title =
        FormatToString(kTitleCapacity, platform::FromWide(pattern),
                       context_.state.config.productName, context_.state.config.productVer);
    SetDlgItemTextW(window, IDC_MAIN_TITLE, platform::Wide(title));

    context_.interfaceFlow = context_.MakeFlowRun(window);
    context_.listSource =
        std::make_unique<VersionListSource>(context_.state, context_.interfaceFlow->services);
    CreatePages();
    opened_ = true;

    HWND tree = GetDlgItem(window, IDC_MAIN_TREE);
    SetFocus(tree);
    SelectPage(initialPage_);

    UpdaterState& state = context_.state;
    HwndRecordWindow placed(window);
    platform::WString storedFolder;  // the folder of the run stays
    state.mainRecord.Read(&placed, state.settings, storedFolder);
    ConfirmWhileAutoUpdateOff(state.settings);
    return FALSE;  // the tree has the focus
}

void cDlgFrame::CreatePages() {
    HWND window = Window();
    HWND tree = GetDlgItem(window, IDC_MAIN_TREE);
    RECT treeRect{}, line{};
    GetWindowRect(tree, &treeRect);
    GetWindowRect(GetDlgItem(window, IDC_MAIN_BAND_LINE), &line);
    POINT corner{treeRect.right, line.bottom};
    ScreenToClient(window, &corner);

    auto options = std::make_unique<cDlgPageMain>(context_);
    options_ = options.get();
    pages_[kPageOptions] = std::move(options);
    pages_[kPageVersions] = std::make_unique<cDlgPageVersions>(context_);
    pages_[kPageAbout] = std::make_unique<cDlgPageAbout>(context_);
    // Last to first: the Options page fills the Versions page's list.
    for (int index = kPageCount - 1; index >= 0; --index) {
        HWND page = pages_[index]->Create(context_.instance, *this);
        if (page == nullptr)
            continue;
        SetWindowLongPtrW(page, GWLP_ID, kFirstPageId + index);
        SetWindowPos(page, nullptr, corner.x, corner.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Anchor(kFirstPageId + index, kStretchBoth);
        const platform::WString text = context_.Text(kPageTitles[index]);
        TVINSERTSTRUCTW insert{};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_FIRST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM;
        insert.item.pszText = const_cast<wchar_t*>(platform::Wide(text));
        insert.item.lParam = index;
        items_[index] = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    }
}

void cDlgFrame::SelectPage(int index) {
    if (index < 0 || index >= kPageCount || items_[index] == nullptr)
        return;
    SendDlgItemMessageW(Window(), IDC_MAIN_TREE, TVM_SELECTITEM, TVGN_CARET,
                        reinterpret_cast<LPARAM>(items_[index]));
}

void cDlgFrame::PageChanging(const NMTREEVIEWW& change) {
    auto pageOf = [this](const TVITEMW& item) -> HWND {
        if (item.hItem == nullptr || item.lParam < 0 || item.lParam >= kPageCount ||
            !pages_[item.lParam])
            return nullptr;
        return pages_[item.lParam]->Window();
    };
    if (HWND old = pageOf(change.itemOld))
        ShowWindow(old, SW_HIDE);
    if (HWND shown = pageOf(change.itemNew)) {
        SendMessageW(shown, kMsgPageShown, 0, 0);
        ShowWindow(shown, SW_SHOW);
    }
}

void cDlgFrame::OnCommand(int id, int code) {
    if (id != IDOK && id != IDCANCEL)
        return;
    // An Update Now run owns dialogs of this window: it ends first.
    if (options_ != nullptr)
        options_->FinishUpdateNow();
    if (id == IDCANCEL)
        cancelled_ = true;
    cColoredDlg::OnCommand(id, code);
}

void cDlgFrame::SaveAndClose() {
    UpdaterState& state = context_.state;
    // A window that ended before it opened (renovo.cfg unreadable) was never
    // seen: its place and the settings stay as stored.
    if (opened_) {
        HwndRecordWindow window(Window());
        state.mainRecord.Save(&window, state.settings, state.downloadFolder);
    }
    for (auto& page : pages_) {
        if (page)
            page->Destroy(false);
    }
    context_.versionList = nullptr;
    PostQuitMessage(0);
}

INT_PTR cDlgFrame::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            // A tree that asked before the Unicode answer was given sends the
            // narrow form; both carry the items at the same places.
            if (header->idFrom == IDC_MAIN_TREE &&
                (header->code == TVN_SELCHANGINGW || header->code == TVN_SELCHANGINGA)) {
                PageChanging(*reinterpret_cast<const NMTREEVIEWW*>(lParam));
                return Answer(FALSE);
            }
            break;
        }
        case kMsgSelectPage:
            SelectPage(static_cast<int>(wParam));
            return TRUE;
        case WM_DESTROY:
            SaveAndClose();
            break;
        default:
            break;
    }
    return cColoredDlg::DialogProc(message, wParam, lParam);
}

}  // namespace updater

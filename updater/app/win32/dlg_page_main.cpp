#include "updater/app/win32/dlg_page_main.h"

#include <shlobj.h>

#include "platform/win32/wide.h"
#include "updater/app/main_window_rules.h"
#include "updater/app/update_report.h"
#include "updater/app/updater_strings.h"
#include "updater/app/win32/resource.h"
#include "updater/support/message_owner.h"

namespace updater {
namespace {

// The download folder holds at most this many units.
constexpr int kFolderLength = 259;

platform::WString ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    const int length = control != nullptr ? GetWindowTextLengthW(control) : 0;
    if (length <= 0)
        return {};
    platform::WString text(static_cast<size_t>(length) + 1, u'\0');
    const int got = GetWindowTextW(control, platform::Wide(text.data()), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

void AddComboText(HWND dialog, int id, const platform::WString& text) {
    SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(platform::Wide(text)));
}

// An item list from the folder browser, freed with the shell's allocator.
struct ItemList {
    explicit ItemList(PIDLIST_ABSOLUTE list) : items(list) {}
    ~ItemList() { CoTaskMemFree(items); }
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;
    PIDLIST_ABSOLUTE items;
};

}  // namespace

cDlgPageMain::cDlgPageMain(MainWindowContext& context)
    : cDlgPage(IDD_PAGE_OPTIONS), context_(context) {
    auto clicked = [this](int code) {
        if (code == BN_CLICKED)
            Store();
    };
    OnControl(IDC_OPTIONS_AUTO_UPDATE, clicked);
    OnControl(IDC_OPTIONS_CONFIRM_DOWNLOAD, clicked);
    OnControl(IDC_OPTIONS_CONFIRM_RESTART, clicked);
    OnControl(IDC_OPTIONS_PERIOD, [this](int code) {
        if (code == CBN_SELCHANGE)
            Store();
    });
    OnControl(IDC_OPTIONS_FOLDER, [this](int code) {
        if (code == EN_KILLFOCUS)
            Store();
    });
    OnControl(IDC_OPTIONS_SITE, [this](int code) {
        if (code == CBN_SELCHANGE)
            SiteChanged();
    });
    OnControl(IDC_OPTIONS_BROWSE, [this](int code) {
        if (code == BN_CLICKED)
            BrowseFolder();
    });
    OnControl(IDC_OPTIONS_UPDATE_NOW, [this](int code) {
        if (code == BN_CLICKED)
            StartUpdateNow();
    });
}

BOOL cDlgPageMain::OnInit() {
    HWND page = Window();
    Anchor(IDC_OPTIONS_SITE, kStretchWidth);
    Anchor(IDC_OPTIONS_FOLDER, kStretchWidth);
    Anchor(IDC_OPTIONS_BROWSE, kAnchorRight);
    Anchor(IDC_OPTIONS_UPDATE_NOW, kAnchorRight);
    Anchor(IDC_OPTIONS_PERIOD, kAnchorRight);
    statusPattern_ = ControlText(page, IDC_OPTIONS_STATUS);
    SendDlgItemMessageW(page, IDC_OPTIONS_FOLDER, EM_LIMITTEXT, kFolderLength, 0);

    for (const DownloadSite& site : context_.state.config.sites) {
        if (site.IsEmpty())
            continue;
        std::optional<std::string_view> path;
        if (!site.directory.empty())
            path = site.directory;
        const std::optional<std::string> address = SiteAddressText(site, path);
        AddComboText(page, IDC_OPTIONS_SITE, platform::FromAnsi(address.value_or(std::string())));
    }
    BuildStatusLine();
    for (const unsigned id : {kStrDaily, kStrWeekly, kStrMonthly})
        AddComboText(page, IDC_OPTIONS_PERIOD, context_.Text(id));
    Load();
    return TRUE;
}

void cDlgPageMain::Load() {
    HWND page = Window();
    const UpdateSettings& settings = context_.state.settings;
    CheckDlgButton(page, IDC_OPTIONS_AUTO_UPDATE, settings.autoUpdateOff == 0);
    CheckDlgButton(page, IDC_OPTIONS_CONFIRM_DOWNLOAD, settings.confirmDownload != 0);
    CheckDlgButton(page, IDC_OPTIONS_CONFIRM_RESTART, settings.confirmRestart != 0);
    SendDlgItemMessageW(page, IDC_OPTIONS_PERIOD, CB_SETCURSEL, settings.period, 0);
    SendDlgItemMessageW(page, IDC_OPTIONS_SITE, CB_SETCURSEL,
                        static_cast<WPARAM>(settings.siteIndex), 0);
    SetDlgItemTextW(page, IDC_OPTIONS_FOLDER, platform::Wide(context_.state.downloadFolder));
    UpdateEnabling();
}

void cDlgPageMain::Store() {
    HWND page = Window();
    UpdateSettings& settings = context_.state.settings;
    settings.autoUpdateOff =
        IsDlgButtonChecked(page, IDC_OPTIONS_AUTO_UPDATE) == BST_CHECKED ? 0 : 1;
    settings.confirmDownload =
        IsDlgButtonChecked(page, IDC_OPTIONS_CONFIRM_DOWNLOAD) == BST_CHECKED ? 1 : 0;
    settings.confirmRestart =
        IsDlgButtonChecked(page, IDC_OPTIONS_CONFIRM_RESTART) == BST_CHECKED ? 1 : 0;
    // A list without a selection leaves its setting as it is.
    const LRESULT period = SendDlgItemMessageW(page, IDC_OPTIONS_PERIOD, CB_GETCURSEL, 0, 0);
    if (period != CB_ERR)
        settings.period = static_cast<uint8_t>(period);
    const LRESULT site = SendDlgItemMessageW(page, IDC_OPTIONS_SITE, CB_GETCURSEL, 0, 0);
    if (site != CB_ERR)
        settings.siteIndex = static_cast<int32_t>(site);
    context_.state.downloadFolder = ControlText(page, IDC_OPTIONS_FOLDER);
    UpdateEnabling();
}

void cDlgPageMain::UpdateEnabling() {
    HWND page = Window();
    const BOOL on = context_.state.settings.autoUpdateOff == 0;
    for (const int id : {IDC_OPTIONS_CONFIRM_DOWNLOAD, IDC_OPTIONS_CONFIRM_RESTART,
                         IDC_OPTIONS_PERIOD, IDC_OPTIONS_PERIOD_LABEL}) {
        if (HWND control = GetDlgItem(page, id))
            EnableWindow(control, on);
    }
}

void cDlgPageMain::SiteChanged() {
    const LRESULT selected = SendDlgItemMessageW(Window(), IDC_OPTIONS_SITE, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR || selected == context_.state.settings.siteIndex)
        return;
    context_.state.settings.siteIndex = static_cast<int32_t>(selected);
    BuildStatusLine();
}

void cDlgPageMain::BrowseFolder() {
    const platform::WString title = context_.Text(kStrBrowseFolder);
    BROWSEINFOW browse{};
    browse.hwndOwner = Window();
    browse.lpszTitle = platform::Wide(title);
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX;
    ItemList chosen(SHBrowseForFolderW(&browse));
    wchar_t path[MAX_PATH] = {};
    if (chosen.items == nullptr || !SHGetPathFromIDListW(chosen.items, path))
        return;
    SetDlgItemTextW(Window(), IDC_OPTIONS_FOLDER, path);
    Store();
}

void cDlgPageMain::StartUpdateNow() {
    HWND frame = context_.frame;
    HWND page = Window();
    MainWindowContext& context = context_;
    // Taken here, on the interface thread, whose controls change both meanwhile.
    const CheckInputs inputs = CheckInputsOf(context.state);
    const bool started = worker_.Start([&context, frame, page, inputs] {
        const std::unique_ptr<FlowRun> run = context.MakeFlowRun(frame);
        const int result = UpdateCheck(context.state, run->services, true, inputs);
        WindowMessageOwner owner(frame);
        if (ShowCheckReport(result, owner, context.services.flow.strings))
            PostMessageW(frame, kMsgSelectPage, kPageVersions, 0);
        PostMessageW(page, kMsgUpdateNowDone, kUpdateNowDoneW, kUpdateNowDoneL);
    });
    if (started)
        EnableWindow(GetDlgItem(page, IDC_OPTIONS_UPDATE_NOW), FALSE);
}

void cDlgPageMain::BuildStatusLine() {
    bool noComponents = false;
    const bool filled = context_.FillList(true, noComponents);
    const platform::WString text = StatusLineText(
        statusPattern_, context_.state, filled ? context_.listSource.get() : nullptr, noComponents);
    SetDlgItemTextW(Window(), IDC_OPTIONS_STATUS, platform::Wide(text));
}

INT_PTR cDlgPageMain::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kMsgUpdateNowDone && wParam == kUpdateNowDoneW && lParam == kUpdateNowDoneL) {
        worker_.Finish();
        BuildStatusLine();
        EnableWindow(GetDlgItem(Window(), IDC_OPTIONS_UPDATE_NOW), TRUE);
        return TRUE;
    }
    return cDlgPage::DialogProc(message, wParam, lParam);
}

}  // namespace updater

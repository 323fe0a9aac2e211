#include "wizard/app/pages/logging_page.h"

#include "wizard/app/pages/control_ids.h"

namespace wizard::pages {
namespace {

constexpr int kShareControls[] = {IDC_LOG_USER_LABEL, IDC_LOG_PASSWORD_LABEL, IDC_LOG_PASSWORD_NOTE,
                                  IDC_LOG_SHARE,      IDC_LOG_USER,           IDC_LOG_PASSWORD,
                                  IDC_LOG_CHECK};

}  // namespace

LoggingPage::LoggingPage(WizardSettings& settings, ShareTester& tester)
    : Page(settings), tester_(tester) {}

int LoggingPage::Template() const {
    return IDD_LOGGING;
}

void LoggingPage::OnOpen(PageView& view) {
    ApplyFonts(view, {{IDC_LOG_OPTIONS_TITLE, 21},
                      {IDC_LOG_LOCK, 14},
                      {IDC_LOG_TITLE, 21},
                      {IDC_LOG_SHARE, 14},
                      {IDC_LOG_CHECK, 14},
                      {IDC_LOG_USER, 14},
                      {IDC_LOG_PASSWORD, 14}});
    passedThisVisit_ = false;
    view.SetChecked(IDC_LOG_USB, writeLog_);
    view.SetChecked(IDC_LOG_LOCK, lock_);
    view.SetChecked(IDC_LOG_NET, netLog_);
    EnableShareControls(view);
    if (!share_.empty())
        view.SetText(IDC_LOG_SHARE, share_);
    if (!user_.empty())
        view.SetText(IDC_LOG_USER, user_);
    if (!password_.empty())
        view.SetText(IDC_LOG_PASSWORD, password_);
    view.SetTextLimit(IDC_LOG_SHARE, kShareMaxChars);
    view.SetTextLimit(IDC_LOG_USER, kUserMaxChars);
    view.SetTextLimit(IDC_LOG_PASSWORD, kPasswordMaxChars);
    view.SetCueBanner(IDC_LOG_SHARE, u"Enter path in form \"\\\\share\\path\"");
    view.SetCueBanner(IDC_LOG_USER, u"Enter domain\\username or leave empty");
    view.SetCueBanner(IDC_LOG_PASSWORD, u"Enter password or leave empty");
}

void LoggingPage::EnableShareControls(PageView& view) {
    for (int id : kShareControls)
        view.SetEnabled(id, netLog_);
}

void LoggingPage::Store(const PageView& view) {
    writeLog_ = view.Checked(IDC_LOG_USB);
    netLog_ = view.Checked(IDC_LOG_NET);
    lock_ = view.Checked(IDC_LOG_LOCK);
    share_ = CutText(view.Text(IDC_LOG_SHARE), kShareMaxChars);
    user_ = CutText(view.Text(IDC_LOG_USER), kUserMaxChars);
    password_ = CutText(view.Text(IDC_LOG_PASSWORD), kPasswordMaxChars);
    settings_.WriteLog = writeLog_ ? 1 : 0;
    settings_.NetLog = netLog_ ? 1 : 0;
    settings_.LockPreset = lock_ ? 1 : 0;
    settings_.NetShare = share_;
    settings_.NetUser = user_;
    settings_.NetPassword = password_;
}

// The check tests exactly the texts that Next stores, so that the account
// checked is the account written to the medium.
ShareCheckResult LoggingPage::Check(PageView& view, bool explicitCheck) {
    const ShareCheckInput input{CutText(view.Text(IDC_LOG_SHARE), kShareMaxChars),
                                CutText(view.Text(IDC_LOG_USER), kUserMaxChars),
                                CutText(view.Text(IDC_LOG_PASSWORD), kPasswordMaxChars)};
    return RunShareCheck(view, tester_, input, explicitCheck, passedThisVisit_);
}

std::optional<PageResult> LoggingPage::OnCommand(PageView& view, int id) {
    switch (id) {
        case IDC_LOG_NET:
            netLog_ = view.Checked(IDC_LOG_NET);
            EnableShareControls(view);
            return std::nullopt;
        case IDC_LOG_USB:
            writeLog_ = view.Checked(IDC_LOG_USB);
            return std::nullopt;
        case IDC_LOG_LOCK:
            lock_ = view.Checked(IDC_LOG_LOCK);
            return std::nullopt;
        case IDC_LOG_CHECK: {
            const ShareCheckResult result = Check(view, true);
            if (result.proceed && result.passed)
                view.ShowMessage(u"Test of write-access to the folder successfully passed.",
                                 MessageButtons::Ok, MessageIcon::Information);
            return std::nullopt;
        }
        case IDC_NEXT:
            Store(view);
            if (settings_.NetLog == 1 && !Check(view, false).proceed)
                return std::nullopt;
            return PageResult::Next;
        case IDC_BACK:
            Store(view);
            return PageResult::Back;
        default:
            return Page::OnCommand(view, id);
    }
}

}  // namespace wizard::pages

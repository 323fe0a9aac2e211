#include "wizard/netshare/share_check.h"

#include <string>

namespace wizard::netshare {
namespace {

constexpr char16_t kEnterPath[] = u"Enter path to network shared folder.";
constexpr char16_t kCheckNow[] =
    u"Check the network share now?\n\nThe network share details specified were not checked. "
    u"The share might not be available during wiping. Please note that the checking may take "
    u"several minutes.";
constexpr char16_t kNoShare[] =
    u"Error in accessing the network shared folder.\nPerhaps this network share does not exist.";
constexpr char16_t kBadLogon[] = u"Invalid user name, password or network domain.";
constexpr char16_t kNoImpersonation[] = u"Error in impersonating current user.";
constexpr char16_t kNoFile[] =
    u"Error in creating file in the network folder.\nPerhaps this network share does not exist.";
constexpr char16_t kContinueAnyway[] =
    u"\n\nAre you sure you want to continue with these settings for network share?";

// How many names beside "tmp.txt" are tried when files of those names exist.
constexpr int kTestFileAttempts = 100;

}  // namespace

ShareCheckResult RunShareCheck(ShareMessages& messages, ShareTest& test,
                               const ShareCheckInput& input, bool explicitCheck,
                               bool& passedThisVisit) {
    if (input.share.empty()) {
        messages.Tell(kEnterPath, MessageKind::Note);
        return {false, false};
    }
    if (passedThisVisit)
        return {true, false};
    if (!explicitCheck && !messages.Ask(kCheckNow, Question::CheckNow))
        return {true, false};
    const ShareCheckResult result = test.Test(input, explicitCheck);
    if (result.passed)
        passedThisVisit = true;
    return result;
}

ShareAccount SplitUserText(const WString& userText) {
    ShareAccount account;
    const size_t slash = userText.find(u'\\');
    if (slash == WString::npos) {
        account.user = userText;
    } else {
        account.domain = userText.substr(0, slash);
        account.user = userText.substr(slash + 1);
    }
    return account;
}

WString TestFilePath(const WString& share, int attempt) {
    WString path = share;
    if (path.empty() || (path.back() != u'\\' && path.back() != u'/'))
        path += u'\\';
    if (attempt == 0)
        return path + kTestFileName;
    const std::string number = std::to_string(attempt);
    return path + u"tmp" + WString(number.begin(), number.end()) + u".txt";
}

ShareCheckResult ShareCheck::Refuse(WaitPopup& popup, const WString& text) {
    popup.Stop();
    messages_.Tell(text, MessageKind::Error);
    return {false, false};
}

ShareCheckResult ShareCheck::Failed(WaitPopup& popup, const WString& text, bool explicitCheck) {
    if (explicitCheck)
        return Refuse(popup, text);
    popup.Stop();
    return {messages_.Ask(text + kContinueAnyway, Question::KeepSettings), false};
}

CreateStatus ShareCheck::CreateAndRemoveTestFile(ShareAccess& access, const WString& share) {
    // A file that is already there is never opened: the test uses a new name
    // beside it and removes only what it created.
    for (int attempt = 0; attempt < kTestFileAttempts; ++attempt) {
        const WString path = TestFilePath(share, attempt);
        const CreateStatus status = access.CreateNewFile(path);
        if (status == CreateStatus::Exists)
            continue;
        if (status == CreateStatus::Created)
            access.RemoveFile(path);  // a failed removal is not reported
        return status;
    }
    return CreateStatus::Failed;
}

ShareCheckResult ShareCheck::Test(const ShareCheckInput& input, bool explicitCheck) {
    WaitPopup popup(popups_);
    popup.Start();
    if (!platform_.PathExists(input.share))
        return Failed(popup, kNoShare, explicitCheck);

    // Declared after the popup, so a logon ends (and the thread reverts to its
    // own identity) once the messages are shown, before the popup's own end.
    std::unique_ptr<ShareAccess> access;
    if (!input.user.empty()) {
        ShareAccount account = SplitUserText(input.user);
        account.password = input.password;
        if (account.user.empty() || account.user.size() > kUserNameMaxChars)
            return Refuse(popup, kBadLogon);
        LogonResult logon = platform_.LogOn(account, input.share);
        if (logon.status == LogonStatus::ImpersonationFailed)
            return Refuse(popup, kNoImpersonation);
        if (logon.status != LogonStatus::Ok || !logon.access)
            return Refuse(popup, kBadLogon);
        access = std::move(logon.access);
    } else {
        access = platform_.OwnAccess(input.share);
    }
    if (!access || CreateAndRemoveTestFile(*access, input.share) != CreateStatus::Created)
        return Failed(popup, kNoFile, explicitCheck);
    popup.Stop();
    return {true, true};
}

}  // namespace wizard::netshare

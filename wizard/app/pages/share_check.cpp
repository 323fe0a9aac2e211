#include "wizard/app/pages/share_check.h"

namespace wizard::pages {

ShareCheckResult UnavailableShareTester::Test(PageView& view, const ShareCheckInput&,
                                              bool explicitCheck) {
    const WString reason = u"This version of the wizard cannot check network shares.";
    if (explicitCheck) {
        view.ShowMessage(reason, MessageButtons::Ok, MessageIcon::Warning);
        return {false, false};
    }
    const MessageAnswer answer = view.ShowMessage(
        reason + u"\n\nAre you sure you want to continue with these settings for network share?",
        MessageButtons::YesNo, MessageIcon::Warning);
    return {answer == MessageAnswer::Yes, false};
}

ShareCheckResult RunShareCheck(PageView& view, ShareTester& tester, const ShareCheckInput& input,
                               bool explicitCheck, bool& passedThisVisit) {
    if (input.share.empty()) {
        view.ShowMessage(u"Enter path to network shared folder.", MessageButtons::Ok,
                         MessageIcon::None);
        return {false, false};
    }
    if (passedThisVisit)
        return {true, false};
    if (!explicitCheck) {
        const MessageAnswer answer = view.ShowMessage(
            u"Check the network share now?\n\nThe network share details specified were not "
            u"checked. The share might not be available during wiping. Please note that the "
            u"checking may take several minutes.",
            MessageButtons::YesNo, MessageIcon::Warning);
        if (answer != MessageAnswer::Yes)
            return {true, false};
    }
    const ShareCheckResult result = tester.Test(view, input, explicitCheck);
    if (result.passed)
        passedThisVisit = true;
    return result;
}

}  // namespace wizard::pages

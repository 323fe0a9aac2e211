#include "wizard/app/pages/share_check.h"

namespace wizard::pages {
namespace {

// The check's message boxes as the page's own.
class ViewMessages : public netshare::ShareMessages {
  public:
    explicit ViewMessages(PageView& view) : view_(view) {}
    void Tell(const WString& text, netshare::MessageKind kind) override {
        view_.ShowMessage(
            text, MessageButtons::Ok,
            kind == netshare::MessageKind::Error ? MessageIcon::Error : MessageIcon::None);
    }
    bool Ask(const WString& text, netshare::Question) override {
        return view_.ShowMessage(text, MessageButtons::YesNo, MessageIcon::Warning) ==
               MessageAnswer::Yes;
    }

  private:
    PageView& view_;
};

// The page's tester as the check's test.
class TesterTest : public netshare::ShareTest {
  public:
    TesterTest(PageView& view, ShareTester& tester) : view_(view), tester_(tester) {}
    ShareCheckResult Test(const ShareCheckInput& input, bool explicitCheck) override {
        return tester_.Test(view_, input, explicitCheck);
    }

  private:
    PageView& view_;
    ShareTester& tester_;
};

}  // namespace

ShareCheckResult PlatformShareTester::Test(PageView& view, const ShareCheckInput& input,
                                           bool explicitCheck) {
    ViewMessages messages(view);
    const std::unique_ptr<netshare::PopupSystem> popups = popupsFor_(view.NativeWindow());
    netshare::ShareCheck check(messages, platform_, *popups);
    return check.Test(input, explicitCheck);
}

ShareCheckResult RunShareCheck(PageView& view, ShareTester& tester, const ShareCheckInput& input,
                               bool explicitCheck, bool& passedThisVisit) {
    ViewMessages messages(view);
    TesterTest test(view, tester);
    return netshare::RunShareCheck(messages, test, input, explicitCheck, passedThisVisit);
}

}  // namespace wizard::pages

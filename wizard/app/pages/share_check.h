// The network share check of the logging page: the check of wizard/netshare
// with the page's message boxes. The page hands the test itself to a
// ShareTester; PlatformShareTester runs it on the system's share calls with
// the wait popup over the page's window.
// Interface thread only.
#pragma once

#include <functional>
#include <memory>

#include "wizard/app/pages/page_view.h"
#include "wizard/netshare/share_check.h"

namespace wizard::pages {

using ShareCheckInput = netshare::ShareCheckInput;
using ShareCheckResult = netshare::ShareCheckResult;

class ShareTester {
  public:
    virtual ~ShareTester() = default;
    // Tests the share (existence, then logon and write test), showing its own
    // messages through `view`. `explicitCheck` is true for the Check button.
    virtual ShareCheckResult Test(PageView& view, const ShareCheckInput& input,
                                  bool explicitCheck) = 0;
};

// The test on a platform. `popupsFor` gives the wait popup's system for the
// page's window (PageView::NativeWindow), which owns the popup.
class PlatformShareTester : public ShareTester {
  public:
    using PopupsFor = std::function<std::unique_ptr<netshare::PopupSystem>(void* pageWindow)>;
    PlatformShareTester(netshare::SharePlatform& platform, PopupsFor popupsFor)
        : platform_(platform), popupsFor_(std::move(popupsFor)) {}
    ShareCheckResult Test(PageView& view, const ShareCheckInput& input,
                          bool explicitCheck) override;

  private:
    netshare::SharePlatform& platform_;
    PopupsFor popupsFor_;
};

// The check as the logging page runs it. `passedThisVisit` is the page's flag
// that a test passed during this visit; it is set when a test passes.
ShareCheckResult RunShareCheck(PageView& view, ShareTester& tester, const ShareCheckInput& input,
                               bool explicitCheck, bool& passedThisVisit);

}  // namespace wizard::pages

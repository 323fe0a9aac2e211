// The network share check of the logging page: the part every platform shares
// (an empty path, a test that already passed during this visit, the question
// before a test on Next) and the test itself behind ShareTester, which each
// platform implements (log on with the given account, create and delete a test
// file in the share).
// Interface thread only.
#pragma once

#include "wizard/app/pages/page_view.h"

namespace wizard::pages {

// What the test reads from the logging page.
struct ShareCheckInput {
    WString share;     // up to 259 characters
    WString user;      // "domain\user", "user" or empty; up to 127 characters
    WString password;  // up to 127 characters
};

struct ShareCheckResult {
    bool proceed = false;  // the page may go on
    bool passed = false;   // the write test succeeded in this call
};

class ShareTester {
  public:
    virtual ~ShareTester() = default;
    // Tests the share (existence, then logon and write test), showing its own
    // messages through `view`. `explicitCheck` is true for the Check button.
    virtual ShareCheckResult Test(PageView& view, const ShareCheckInput& input,
                                  bool explicitCheck) = 0;
};

// A tester for a build without network share support: it says so, and on
// Next lets the user decide whether to keep the settings unchecked.
class UnavailableShareTester : public ShareTester {
  public:
    ShareCheckResult Test(PageView& view, const ShareCheckInput& input,
                          bool explicitCheck) override;
};

// The check as the logging page runs it. `passedThisVisit` is the page's flag
// that a test passed during this visit; it is set when a test passes.
ShareCheckResult RunShareCheck(PageView& view, ShareTester& tester, const ShareCheckInput& input,
                               bool explicitCheck, bool& passedThisVisit);

}  // namespace wizard::pages

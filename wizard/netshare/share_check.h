// The network share check of the logging page, on every platform: whether the
// log share exists and whether the given account can create a file in it.
//
// RunShareCheck is the whole check as the page runs it, in both modes
// (explicit: the Check button; on Next: asks first); it asks for a path,
// skips a check that already passed during this visit of the page, and hands
// the test itself to a ShareTest. ShareCheck is the test on a SharePlatform,
// with the wait popup up while the system is busy and down before any
// message.
//
// The thread that runs the check only (the interface thread on Windows).
#pragma once

#include "wizard/netshare/share_platform.h"
#include "wizard/netshare/wait_popup.h"

namespace wizard::netshare {

// What the check reads from the logging page.
struct ShareCheckInput {
    WString share;     // up to 259 characters
    WString user;      // "domain\user", "user" or empty; up to 63 characters, as stored
    WString password;  // up to 127 characters
};

struct ShareCheckResult {
    bool proceed = false;  // the page may go on
    bool passed = false;   // the write test succeeded in this call
};

// The longest user name a logon takes; a longer one is refused, never cut.
inline constexpr size_t kUserNameMaxChars = 63;
// The name of the test file created in the share.
inline constexpr char16_t kTestFileName[] = u"tmp.txt";

enum class MessageKind { Note, Error };
// The two questions: whether to check now (on Next), and whether to keep
// settings that did not pass.
enum class Question { CheckNow, KeepSettings };

// The message boxes of the check: owned by the logging page, caption
// "Quelix Omnisweep".
class ShareMessages {
  public:
    virtual ~ShareMessages() = default;
    // A box with an OK button.
    virtual void Tell(const WString& text, MessageKind kind) = 0;
    // A box with Yes and No buttons; true for Yes.
    virtual bool Ask(const WString& text, Question question) = 0;
};

// The test itself: existence, logon, write test, with its own messages.
class ShareTest {
  public:
    virtual ~ShareTest() = default;
    virtual ShareCheckResult Test(const ShareCheckInput& input, bool explicitCheck) = 0;
};

// The check as the logging page runs it. `passedThisVisit` is the page's flag
// that a test passed during this visit; it is set when a test passes.
ShareCheckResult RunShareCheck(ShareMessages& messages, ShareTest& test,
                               const ShareCheckInput& input, bool explicitCheck,
                               bool& passedThisVisit);

// The user text split at its first backslash: domain before it (empty when
// there is none), user name after it (or the whole text).
ShareAccount SplitUserText(const WString& userText);

// The test file for a share path, and the n-th name beside it used when a
// file of that name is already there (n = 0: "tmp.txt").
WString TestFilePath(const WString& share, int attempt);

class ShareCheck : public ShareTest {
  public:
    ShareCheck(ShareMessages& messages, SharePlatform& platform, PopupSystem& popups)
        : messages_(messages), platform_(platform), popups_(popups) {}
    ShareCheckResult Test(const ShareCheckInput& input, bool explicitCheck) override;

  private:
    ShareCheckResult Refuse(WaitPopup& popup, const WString& text);
    ShareCheckResult Failed(WaitPopup& popup, const WString& text, bool explicitCheck);
    CreateStatus CreateAndRemoveTestFile(ShareAccess& access, const WString& share);

    ShareMessages& messages_;
    SharePlatform& platform_;
    PopupSystem& popups_;
};

}  // namespace wizard::netshare

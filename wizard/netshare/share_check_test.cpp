// The share check on a fake platform: every path of the check in both modes,
// its messages in their order, and the wait popup around it.
#include "wizard/netshare/share_check.h"

#include <gtest/gtest.h>

#include "wizard/netshare/testing/fake_share_system.h"

namespace wizard::netshare {
namespace {

using testing::FakePopupSystem;
using testing::FakeShareMessages;
using testing::FakeSharePlatform;
using testing::Journal;

const std::string kNoShare =
    "Error in accessing the network shared folder.\nPerhaps this network share does not exist.";
const std::string kNoFile =
    "Error in creating file in the network folder.\nPerhaps this network share does not exist.";
const std::string kContinue =
    "\n\nAre you sure you want to continue with these settings for network share?";
const std::string kCheckNow =
    "Check the network share now?\n\nThe network share details specified were not checked. The "
    "share might not be available during wiping. Please note that the checking may take several "
    "minutes.";
const std::string kBadLogon = "Invalid user name, password or network domain.";

struct Case {
    const char* name = "";
    bool explicitCheck = true;
    WString share = u"\\\\srv\\logs";
    WString user;
    std::deque<bool> answers;  // Yes/No boxes in order
    bool exists = true;
    LogonStatus logon = LogonStatus::Ok;
    bool createFails = false;
    std::set<std::string> files;  // already on the share
    bool passedBefore = false;
    ShareCheckResult want{};
    std::vector<std::string> journal;  // platform calls and messages, in order
};

std::vector<Case> Cases() {
    const std::string share = "\\\\srv\\logs";
    const std::string tmp = share + "\\tmp.txt";
    std::vector<Case> c;
    const auto add = [&c](auto fill) {
        Case x;
        fill(x);
        c.push_back(x);
    };
    add([&](Case& x) {
        x.name = "empty path";
        x.explicitCheck = true;
        x.share = u"";
        x.want = {false, false};
        x.journal = {"tell Enter path to network shared folder."};
    });
    add([&](Case& x) {
        x.name = "passed during this visit";
        x.explicitCheck = false;
        x.passedBefore = true;
        x.want = {true, false};
    });
    add([&](Case& x) {
        x.name = "on Next, not now";
        x.explicitCheck = false;
        x.answers = {false};
        x.want = {true, false};
        x.journal = {"ask " + kCheckNow};
    });
    add([&](Case& x) {
        x.name = "own identity passes";
        x.explicitCheck = true;
        x.want = {true, true};
        x.journal = {"exists " + share, "create " + tmp, "remove " + tmp, "end own"};
    });
    add([&](Case& x) {
        x.name = "domain and user, on Next";
        x.explicitCheck = false;
        x.user = u"CORP\\wiper";
        x.answers = {true};
        x.want = {true, true};
        x.journal = {"ask " + kCheckNow, "exists " + share, "logon CORP|wiper|pw",
                     "create " + tmp,    "remove " + tmp,   "end logon CORP|wiper"};
    });
    add([&](Case& x) {
        x.name = "user without domain";
        x.explicitCheck = true;
        x.user = u"wiper";
        x.want = {true, true};
        x.journal = {"exists " + share, "logon |wiper|pw", "create " + tmp, "remove " + tmp,
                     "end logon |wiper"};
    });
    add([&](Case& x) {
        x.name = "missing share, explicit";
        x.explicitCheck = true;
        x.user = u"wiper";
        x.exists = false;
        x.want = {false, false};
        x.journal = {"exists " + share, "tell " + kNoShare};
    });
    add([&](Case& x) {
        x.name = "missing share on Next, keep it";
        x.explicitCheck = false;
        x.exists = false;
        x.answers = {true, true};
        x.want = {true, false};
        x.journal = {"ask " + kCheckNow, "exists " + share, "ask " + kNoShare + kContinue};
    });
    add([&](Case& x) {
        x.name = "missing share on Next, stay";
        x.explicitCheck = false;
        x.exists = false;
        x.answers = {true, false};
        x.want = {false, false};
        x.journal = {"ask " + kCheckNow, "exists " + share, "ask " + kNoShare + kContinue};
    });
    add([&](Case& x) {
        x.name = "logon refused";
        x.explicitCheck = false;
        x.user = u"CORP\\wiper";
        x.answers = {true};
        x.logon = LogonStatus::Refused;
        x.want = {false, false};
        x.journal = {"ask " + kCheckNow, "exists " + share, "logon CORP|wiper|pw",
                     "tell " + kBadLogon};
    });
    add([&](Case& x) {
        x.name = "impersonation fails";
        x.explicitCheck = true;
        x.user = u"CORP\\wiper";
        x.logon = LogonStatus::ImpersonationFailed;
        x.want = {false, false};
        x.journal = {"exists " + share, "logon CORP|wiper|pw",
                     "tell Error in impersonating current user."};
    });
    add([&](Case& x) {
        x.name = "a 64-character name is refused, not cut";
        x.explicitCheck = true;
        x.user = u"CORP\\" + WString(64, u'n');
        x.want = {false, false};
        x.journal = {"exists " + share, "tell " + kBadLogon};
    });
    add([&](Case& x) {
        x.name = "a 63-character name logs on";
        x.explicitCheck = true;
        x.user = WString(63, u'n');
        x.want = {true, true};
        x.journal = {"exists " + share, "logon |" + std::string(63, 'n') + "|pw", "create " + tmp,
                     "remove " + tmp, "end logon |" + std::string(63, 'n')};
    });
    add([&](Case& x) {
        x.name = "a domain without a name is refused";
        x.explicitCheck = true;
        x.user = u"CORP\\";
        x.want = {false, false};
        x.journal = {"exists " + share, "tell " + kBadLogon};
    });
    add([&](Case& x) {
        x.name = "no file can be created, explicit";
        x.explicitCheck = true;
        x.user = u"wiper";
        x.createFails = true;
        x.want = {false, false};
        x.journal = {"exists " + share, "logon |wiper|pw", "create " + tmp, "tell " + kNoFile,
                     "end logon |wiper"};
    });
    add([&](Case& x) {
        x.name = "no file on Next, keep the settings";
        x.explicitCheck = false;
        x.answers = {true, true};
        x.createFails = true;
        x.want = {true, false};
        x.journal = {"ask " + kCheckNow, "exists " + share, "create " + tmp,
                     "ask " + kNoFile + kContinue, "end own"};
    });
    add([&](Case& x) {
        x.name = "an existing tmp.txt is left alone";
        x.explicitCheck = true;
        x.files = {tmp, share + "\\tmp1.txt"};
        x.want = {true, true};
        x.journal = {"exists " + share,
                     "create " + tmp,
                     "create " + share + "\\tmp1.txt",
                     "create " + share + "\\tmp2.txt",
                     "remove " + share + "\\tmp2.txt",
                     "end own"};
    });
    add([&](Case& x) {
        x.name = "a path ending in a backslash";
        x.explicitCheck = true;
        x.share = u"\\\\srv\\logs\\";
        x.want = {true, true};
        x.journal = {"exists " + share + "\\", "create " + tmp, "remove " + tmp, "end own"};
    });
    return c;
}

// Every case runs twice: a quick check (no popup at all) and a slow one whose
// first platform call outlasts the popup's delay (the popup is shown once and
// is gone before any message).
TEST(ShareCheck, EveryPathWithItsMessagesAndThePopup) {
    for (const Case& test : Cases()) {
        for (const bool slow : {false, true}) {
            SCOPED_TRACE(std::string(test.name) + (slow ? ", slow" : ", quick"));
            Journal journal;
            FakePopupSystem popups(journal);
            FakeShareMessages messages(journal, &popups);
            FakeSharePlatform platform(journal);
            messages.answers = test.answers;
            platform.exists = test.exists;
            platform.logon = test.logon;
            platform.createFails = test.createFails;
            platform.files = test.files;
            bool slowCallSeen = false;
            if (slow) {
                platform.busy = [&] {
                    if (!slowCallSeen) {
                        EXPECT_TRUE(popups.Elapse());
                    }
                    slowCallSeen = true;
                };
            }
            ShareCheck check(messages, platform, popups);
            bool passedThisVisit = test.passedBefore;
            const ShareCheckResult result =
                RunShareCheck(messages, check, {test.share, test.user, u"pw"}, test.explicitCheck,
                              passedThisVisit);
            EXPECT_EQ(result.proceed, test.want.proceed);
            EXPECT_EQ(result.passed, test.want.passed);
            EXPECT_EQ(passedThisVisit, test.passedBefore || test.want.passed);
            EXPECT_FALSE(messages.shownOverPopup);
            EXPECT_FALSE(popups.OnScreen());

            std::vector<std::string> got = journal.Entries();
            if (slowCallSeen) {
                // Up during every network call, gone before any message and
                // before the logon ends.
                const auto shown = std::find(got.begin(), got.end(), "popup shown");
                const auto removed = std::find(got.begin(), got.end(), "popup removed");
                ASSERT_NE(removed, got.end());
                EXPECT_EQ(std::next(shown),
                          std::find(got.begin(), got.end(), "exists " + testing::Utf8(test.share)));
                for (auto it = got.begin(); it != got.end(); ++it) {
                    const bool call = !it->rfind("exists", 0) || !it->rfind("logon", 0) ||
                                      !it->rfind("create", 0) || !it->rfind("remove", 0);
                    if (call) {
                        EXPECT_LT(it, removed) << *it;
                    } else if (it > shown && it != removed) {
                        EXPECT_GT(it, removed) << *it;
                    }
                }
                got.erase(removed);
                got.erase(shown);
                EXPECT_EQ(popups.shown, 1);
            } else {
                EXPECT_EQ(popups.shown, 0);
            }
            EXPECT_EQ(got, test.journal);
            for (const auto delay : popups.delays)
                EXPECT_EQ(delay.count(), 2000);
            // Nothing the check created stays on the share.
            EXPECT_EQ(platform.files, test.files);
        }
    }
}

TEST(ShareCheck, SplitsTheUserTextAtTheFirstBackslash) {
    const struct {
        WString text;
        const char* domain;
        const char* user;
    } cases[] = {{u"CORP\\wiper", "CORP", "wiper"},
                 {u"wiper", "", "wiper"},
                 {u"a\\b\\c", "a", "b\\c"},
                 {u"\\wiper", "", "wiper"},
                 {u"", "", ""}};
    for (const auto& c : cases) {
        const ShareAccount account = SplitUserText(c.text);
        EXPECT_EQ(testing::Utf8(account.domain), c.domain);
        EXPECT_EQ(testing::Utf8(account.user), c.user);
    }
}

}  // namespace
}  // namespace wizard::netshare

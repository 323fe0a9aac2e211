// The wait popup's own rules: the semaphore's bounds, a Stop that meets the
// end of the delay, and a popup whose system gives no thread.
#include "wizard/netshare/wait_popup.h"

#include <gtest/gtest.h>

#include "wizard/netshare/testing/fake_share_system.h"
#include "wizard/netshare/thread_popup_system.h"

namespace wizard::netshare {
namespace {

using namespace std::chrono_literals;

TEST(WaitPopup, SemaphoreCountsFromZeroUpToOne) {
    StdSemaphore semaphore(1);
    EXPECT_FALSE(semaphore.Wait(0ms));
    semaphore.Release();
    semaphore.Release();  // beyond the maximum: dropped
    EXPECT_TRUE(semaphore.Wait(0ms));
    EXPECT_FALSE(semaphore.Wait(0ms));
    semaphore.Release();
    EXPECT_TRUE(semaphore.Wait(std::nullopt));
}

TEST(WaitPopup, StopMeetingTheEndOfTheDelayShowsNothing) {
    testing::Journal journal;
    testing::FakePopupSystem popups(journal);
    popups.timeoutWinsRace = true;  // the timed wait ends as timed out after Stop's release
    WaitPopup popup(popups);
    popup.Start();
    popup.Stop();  // clears the show flag before it releases
    EXPECT_EQ(popups.shown, 0);
    EXPECT_FALSE(popups.OnScreen());
    popup.Stop();  // a second Stop does nothing
}

class NoThreads : public ThreadPopupSystem {
  public:
    std::unique_ptr<PopupThread> StartThread(std::function<void()>) override { return nullptr; }
    std::unique_ptr<PopupWindow> ShowPopup() override {
        ++shown;
        return nullptr;
    }
    int shown = 0;
};

TEST(WaitPopup, WithoutAThreadTheCheckRunsWithoutPopup) {
    NoThreads system;
    testing::Journal journal;
    testing::FakeShareMessages messages(journal, nullptr);
    testing::FakeSharePlatform platform(journal);
    ShareCheck check(messages, platform, system);
    const ShareCheckResult result = check.Test({u"\\\\srv\\logs", u"", u""}, true);
    EXPECT_TRUE(result.passed);
    EXPECT_EQ(system.shown, 0);
}

}  // namespace
}  // namespace wizard::netshare

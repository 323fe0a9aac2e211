// The progress page with builders that succeed, fail or hang, and a sink that
// hands the worker's reports over as the interface thread would receive them.
#include "wizard/app/pages/progress_page.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "testsupport/wait.h"
#include "wizard/app/pages/control_ids.h"
#include "wizard/app/pages/testing/fake_builders.h"
#include "wizard/app/pages/testing/fake_page_view.h"

namespace wizard::pages {
namespace {

using namespace std::chrono_literals;
using testing::FakeBuilders;
using testing::FakePageView;

class Sink : public ProgressSink {
  public:
    void ShowStep(const WString& text, int position) override {
        std::lock_guard<std::mutex> lock(mutex_);
        steps.emplace_back(text, position);
    }
    void ShowError(int stringId) override {
        std::lock_guard<std::mutex> lock(mutex_);
        errors.push_back(stringId);
    }
    void ShowMessage(const WString&, const WString& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        messages.push_back(text);
    }
    void PostBuildDone(int buildResult) override {
        std::lock_guard<std::mutex> lock(mutex_);
        done = buildResult;
        changed_.notify_all();
    }
    std::optional<int> WaitDone(std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, limit, [this] { return done.has_value(); });
        return done;
    }
    std::vector<std::pair<WString, int>> steps;
    std::vector<int> errors;
    std::vector<WString> messages;
    std::optional<int> done;

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

TEST(ProgressPage, ABuildEndsThePageWithItsOutcome) {
    for (const bool succeed : {true, false}) {
        WizardSettings settings;
        settings.ChooseUsb = 0;
        FakeBuilders builders;
        builders.fail = !succeed;
        ProgressPage page(settings, builders, 1ms);
        FakePageView view;
        page.Open(view);
        EXPECT_EQ(view.progress[IDC_PROGRESS_BAR], 0);
        EXPECT_EQ(testing::Utf8(view.Text(IDC_MEDIUM_TITLE)),
                  "ISO image file with Quelix Omnisweep Utility");
        EXPECT_EQ(view.icons[IDC_PAGE_ICON], IDI_ISO_IMAGE);
        Sink sink;
        ASSERT_TRUE(page.StartBuild(sink));
        EXPECT_FALSE(page.StartBuild(sink));  // one build per page
        const std::optional<int> done = sink.WaitDone(10s);
        ASSERT_TRUE(done);
        EXPECT_EQ(settings.BuildResult, 1);  // only the interface thread writes it
        view.position = {44, 55};
        page.BuildDone(view, *done);
        EXPECT_EQ(view.closed, PageResult::Next);
        EXPECT_EQ(settings.BuildResult, succeed ? 0 : 2);
        EXPECT_EQ(settings.WindowX, 44);
        EXPECT_EQ(sink.steps.back().second, 100);
        EXPECT_EQ(sink.errors.size(), succeed ? 0u : 1u);
        EXPECT_EQ(builders.usbRuns, 0);
    }
}

TEST(ProgressPage, CancelEndsALongBuildAndOverridesAFinishedOne) {
    {
        WizardSettings settings;
        settings.ChooseUsb = 0;
        FakeBuilders builders;
        builders.hang = true;
        ProgressPage page(settings, builders, 1ms);
        FakePageView view;
        page.Open(view);
        Sink sink;
        ASSERT_TRUE(page.StartBuild(sink));
        ASSERT_TRUE(qo::test::WaitUntil([&] { return builders.isoRuns > 0; }));
        const auto start = std::chrono::steady_clock::now();
        page.Command(view, IDC_CANCEL);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 4500ms);
        EXPECT_EQ(view.closed, PageResult::Cancel);
        EXPECT_EQ(settings.BuildResult, 1);
        EXPECT_FALSE(sink.WaitDone(50ms));  // a cancelled build reports no outcome
    }
    {
        // The medium was made, but Cancel came before the page saw it.
        WizardSettings settings;
        settings.ChooseUsb = 1;
        FakeBuilders builders;
        ProgressPage page(settings, builders, 1ms);
        FakePageView view;
        page.Open(view);
        EXPECT_EQ(view.icons[IDC_PAGE_ICON], IDI_USB_DRIVE);
        Sink sink;
        ASSERT_TRUE(page.StartBuild(sink));
        ASSERT_EQ(sink.WaitDone(10s), 0);
        page.Command(view, IDC_CANCEL);
        EXPECT_EQ(view.closed, PageResult::Cancel);
        EXPECT_EQ(settings.BuildResult, 1);
        EXPECT_EQ(builders.usbRuns, 1);
    }
    {
        // Cancel before the worker started: no build at all.
        WizardSettings settings;
        FakeBuilders builders;
        ProgressPage page(settings, builders, 1ms);
        FakePageView view;
        page.Open(view);
        page.Command(view, IDC_CANCEL);
        EXPECT_EQ(view.closed, PageResult::Cancel);
        EXPECT_EQ(builders.Runs(), 0);
    }
}

TEST(ProgressPage, TheProgramsUsbBuilderRunsAndNeedsASelectedDrive) {
    WizardSettings settings;
    settings.ChooseUsb = 1;
    ProgramMediaBuilders builders;
    ProgressPage page(settings, builders, 1ms);
    FakePageView view;
    page.Open(view);
    Sink sink;
    ASSERT_TRUE(page.StartBuild(sink));
    ASSERT_EQ(sink.WaitDone(10s), 2);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0],
              u"Error in creating USB bootable drive: no USB removable disk is selected.");
}

}  // namespace
}  // namespace wizard::pages

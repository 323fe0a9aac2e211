// The progress page (template 146): runs the build of the chosen medium on a
// worker thread, shows its steps and offers Cancel, which ends the page within
// about 4 s (the running tool is killed and the worker stopped between steps).
//
// Open, StartBuild, BuildDone and Command are for the interface thread. The
// sink is called from the worker thread and must marshal to the interface
// thread; it must outlive the page.
#pragma once

#include <chrono>
#include <memory>

#include "wizard/app/pages/media_builders.h"
#include "wizard/app/pages/page.h"
#include "wizard/media/build_reporter.h"

namespace wizard::pages {

class ProgressSink : public BuildReporter {
  public:
    // The worker's last act: hands the outcome to the interface thread, which
    // then calls ProgressPage::BuildDone.
    virtual void PostBuildDone(int buildResult) = 0;
    // The page is being cancelled (interface thread): a worker waiting for a
    // message box to be answered stops waiting, and an open box is closed, so
    // that the worker can see the stop flag and the page can end.
    virtual void Abandon() {}
};

class ProgressPage : public Page {
  public:
    // stepPause: the pause after every step (600 ms; tests pass less).
    ProgressPage(WizardSettings& settings, MediaBuilders& builders,
                 std::chrono::milliseconds stepPause = std::chrono::milliseconds(600));
    ~ProgressPage() override;
    int Template() const override;

    // Starts the worker once the page is visible; false when it cannot start.
    bool StartBuild(ProgressSink& sink);
    // The worker has finished: stores the outcome and the position, closes the page.
    void BuildDone(PageView& view, int buildResult);

  protected:
    void OnOpen(PageView& view) override;
    std::optional<PageResult> OnCommand(PageView& view, int id) override;

  private:
    MediaBuilders& builders_;
    std::chrono::milliseconds stepPause_;
    ProgressSink* sink_ = nullptr;
    std::unique_ptr<BuildWorker> worker_;
};

}  // namespace wizard::pages

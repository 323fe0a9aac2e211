// Test helper: builders that show a step, may ask the format question, then
// either end (made, or failed with message 150) or hang until the build is
// cancelled. Called on the build
// worker thread; the counters may be read from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#include "wizard/app/pages/media_builders.h"

namespace wizard::pages::testing {

class FakeBuilders : public MediaBuilders {
  public:
    bool BuildUsbDrive(WizardSettings&, BuildContext& build) override {
        ++usbRuns;
        return Run(build);
    }
    bool BuildIsoImage(WizardSettings&, BuildContext& build) override {
        ++isoRuns;
        return Run(build);
    }
    int Runs() const { return usbRuns + isoRuns; }

    std::atomic<int> usbRuns{0}, isoRuns{0};
    bool hang = false;  // like a tool that runs for long: only a cancel ends it
    bool fail = false;
    bool ask = false;  // asks the format question; No fails the build

  private:
    bool Run(BuildContext& build) {
        if (!build.ReportStep(u"Copying boot files...", 30))
            return false;
        if (ask && !build.AskYesNo(u"Quelix Omnisweep", u"Are you sure you want to overwrite?"))
            return false;
        while (hang && !build.StopRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (hang)
            return false;
        if (fail)
            build.ShowBuildError(150);
        build.ReportStep(u"Finished...", 100);
        return !fail;
    }
};

}  // namespace wizard::pages::testing

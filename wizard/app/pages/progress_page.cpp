#include "wizard/app/pages/progress_page.h"

#include "wizard/app/pages/control_ids.h"
#include "wizard/app/pages/finish_page.h"

namespace wizard::pages {

ProgressPage::ProgressPage(WizardSettings& settings, MediaBuilders& builders,
                           std::chrono::milliseconds stepPause)
    : Page(settings), builders_(builders), stepPause_(stepPause) {}

ProgressPage::~ProgressPage() = default;

int ProgressPage::Template() const {
    return IDD_PROGRESS;
}

void ProgressPage::OnOpen(PageView& view) {
    ApplyFonts(view, {{IDC_MEDIUM_TITLE, 21}, {IDC_PROGRESS_STEP, 14}, {IDC_CANCEL, 14}});
    view.SetIcon(IDC_PAGE_ICON, settings_.ChooseUsb == 1 ? IDI_USB_DRIVE : IDI_ISO_IMAGE);
    view.SetText(IDC_MEDIUM_TITLE, MediumTitle(settings_));
    view.SetProgress(IDC_PROGRESS_BAR, 0);
}

bool ProgressPage::StartBuild(ProgressSink& sink) {
    if (worker_)
        return false;  // one build per run
    sink_ = &sink;
    worker_ = std::make_unique<BuildWorker>(sink, stepPause_);
    const bool usb = settings_.ChooseUsb == 1;
    return worker_->Start(
        [this, usb](BuildContext& build) {
            return usb ? builders_.BuildUsbDrive(settings_, build)
                       : builders_.BuildIsoImage(settings_, build);
        },
        // The outcome travels with the message, so that only the interface
        // thread writes BuildResult (a cancel overrides it there).
        [&sink](int buildResult) { sink.PostBuildDone(buildResult); });
}

void ProgressPage::BuildDone(PageView& view, int buildResult) {
    settings_.BuildResult = buildResult;
    StorePosition(settings_, view);
    view.Close(PageResult::Next);
    if (worker_)
        worker_->Join();
}

std::optional<PageResult> ProgressPage::OnCommand(PageView& view, int id) {
    if (id != IDC_CANCEL)
        return Page::OnCommand(view, id);
    if (sink_)
        sink_->Abandon();
    if (worker_)
        worker_->Cancel();
    settings_.BuildResult = kBuildNotCompleted;
    return PageResult::Cancel;
}

}  // namespace wizard::pages

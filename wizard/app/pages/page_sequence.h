// The page sequence: which page follows which, chosen from the result of the
// page just left and from ChooseUsb and UseDefaultSetings at that moment.
//
// Interface thread only.
#pragma once

#include "wizard/app/pages/page_view.h"
#include "wizard/settings/wizard_settings.h"

namespace wizard::pages {

enum class PageId {
    Start,
    UsbDrive,
    IsoPath,
    WorkMode,
    WipeSettings,
    Logging,
    UsbSummary,
    IsoSummary,
    Progress,
    Finish,
};

// The places of the sequence; Media and Summary stand for the USB or ISO page.
enum class SequenceState { Start, Media, WorkMode, WipeSettings, Logging, Summary, Build, End };

// The state after leaving `state` with `result`.
SequenceState NextState(SequenceState state, PageResult result, const WizardSettings& settings);
// The page that shows `state` (Build shows the progress page first).
PageId PageOf(SequenceState state, const WizardSettings& settings);

// Runs one page modally and returns its result.
class PageRunner {
  public:
    virtual ~PageRunner() = default;
    virtual PageResult Run(PageId page) = 0;
};

// Runs the pages from the start page to the end: after Create the progress
// page and the finish page run once each, whatever they return.
void RunPageSequence(PageRunner& runner, WizardSettings& settings);

// True when the sequence that just ended should show the created ISO image in
// the file manager.
bool ShouldOpenIsoFolder(const WizardSettings& settings);

}  // namespace wizard::pages

#include "wizard/app/pages/page_sequence.h"

#include "wizard/media/build_worker.h"

namespace wizard::pages {

SequenceState NextState(SequenceState state, PageResult result, const WizardSettings& settings) {
    if (result == PageResult::Cancel)
        return SequenceState::End;
    const bool back = result == PageResult::Back;
    const bool withWipeSettings = settings.UseDefaultSetings == 0;
    switch (state) {
        case SequenceState::Start:
            return SequenceState::Media;
        case SequenceState::Media:
            return back ? SequenceState::Start : SequenceState::WorkMode;
        case SequenceState::WorkMode:
            if (back)
                return SequenceState::Media;
            return withWipeSettings ? SequenceState::WipeSettings : SequenceState::Logging;
        case SequenceState::WipeSettings:
            return back ? SequenceState::WorkMode : SequenceState::Logging;
        case SequenceState::Logging:
            if (!back)
                return SequenceState::Summary;
            return withWipeSettings ? SequenceState::WipeSettings : SequenceState::WorkMode;
        case SequenceState::Summary:
            return back ? SequenceState::Logging : SequenceState::Build;
        default:
            return SequenceState::End;
    }
}

PageId PageOf(SequenceState state, const WizardSettings& settings) {
    const bool usb = settings.ChooseUsb == 1;
    switch (state) {
        case SequenceState::Start:
            return PageId::Start;
        case SequenceState::Media:
            return usb ? PageId::UsbDrive : PageId::IsoPath;
        case SequenceState::WorkMode:
            return PageId::WorkMode;
        case SequenceState::WipeSettings:
            return PageId::WipeSettings;
        case SequenceState::Logging:
            return PageId::Logging;
        case SequenceState::Summary:
            return usb ? PageId::UsbSummary : PageId::IsoSummary;
        default:
            return PageId::Progress;
    }
}

void RunPageSequence(PageRunner& runner, WizardSettings& settings) {
    SequenceState state = SequenceState::Start;
    while (state != SequenceState::End) {
        if (state == SequenceState::Build) {
            runner.Run(PageId::Progress);
            runner.Run(PageId::Finish);
            return;
        }
        const PageResult result = runner.Run(PageOf(state, settings));
        state = NextState(state, result, settings);
    }
}

bool ShouldOpenIsoFolder(const WizardSettings& settings) {
    return settings.ChooseUsb == 0 && settings.BuildResult == kBuildCreated &&
           settings.IsoShowFolder == 1 && settings.IsoPath && !settings.IsoPath->empty();
}

}  // namespace wizard::pages

#include "wizard/app/pages/page_sequence.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace wizard::pages {
namespace {

using S = SequenceState;
using R = PageResult;

TEST(PageSequence, EveryTransitionOfTheTable) {
    WizardSettings custom;
    custom.UseDefaultSetings = 0;
    WizardSettings recommended;
    recommended.UseDefaultSetings = 1;
    struct Row {
        S from;
        R result;
        S withCustom;       // UseDefaultSetings = 0
        S withRecommended;  // UseDefaultSetings = 1
    };
    const Row rows[] = {
        {S::Start, R::Cancel, S::End, S::End},
        {S::Start, R::UsbChosen, S::Media, S::Media},
        {S::Start, R::IsoChosen, S::Media, S::Media},
        {S::Media, R::Next, S::WorkMode, S::WorkMode},
        {S::Media, R::Back, S::Start, S::Start},
        {S::Media, R::Cancel, S::End, S::End},
        {S::WorkMode, R::Next, S::WipeSettings, S::Logging},
        {S::WorkMode, R::Back, S::Media, S::Media},
        {S::WorkMode, R::Cancel, S::End, S::End},
        {S::WipeSettings, R::Next, S::Logging, S::Logging},
        {S::WipeSettings, R::Back, S::WorkMode, S::WorkMode},
        {S::WipeSettings, R::Cancel, S::End, S::End},
        {S::Logging, R::Next, S::Summary, S::Summary},
        {S::Logging, R::Back, S::WipeSettings, S::WorkMode},
        {S::Logging, R::Cancel, S::End, S::End},
        {S::Summary, R::Next, S::Build, S::Build},
        {S::Summary, R::Back, S::Logging, S::Logging},  // not the wipe settings page
        {S::Summary, R::Cancel, S::End, S::End},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.from) * 10000 + static_cast<int>(row.result));
        EXPECT_EQ(NextState(row.from, row.result, custom), row.withCustom);
        EXPECT_EQ(NextState(row.from, row.result, recommended), row.withRecommended);
    }
    WizardSettings usb;
    usb.ChooseUsb = 1;
    WizardSettings iso;
    iso.ChooseUsb = 0;
    EXPECT_EQ(PageOf(S::Media, usb), PageId::UsbDrive);
    EXPECT_EQ(PageOf(S::Media, iso), PageId::IsoPath);
    EXPECT_EQ(PageOf(S::Summary, usb), PageId::UsbSummary);
    EXPECT_EQ(PageOf(S::Summary, iso), PageId::IsoSummary);
}

// Plays a user: each page returns the next scripted result and may change the
// settings as the real page would.
class ScriptedRunner : public PageRunner {
  public:
    struct Step {
        PageId expected;
        R result;
        int chooseUsb = -1;  // set by the start page
        int useDefault = -1;
    };
    ScriptedRunner(WizardSettings& settings, std::vector<Step> steps)
        : settings_(settings), steps_(steps.begin(), steps.end()) {}
    R Run(PageId page) override {
        visited.push_back(page);
        if (steps_.empty())
            return R::Cancel;
        const Step step = steps_.front();
        steps_.pop_front();
        EXPECT_EQ(page, step.expected) << "page " << visited.size();
        if (step.chooseUsb >= 0)
            settings_.ChooseUsb = step.chooseUsb;
        if (step.useDefault >= 0)
            settings_.UseDefaultSetings = step.useDefault;
        return step.result;
    }
    bool Done() const { return steps_.empty(); }
    std::vector<PageId> visited;

  private:
    WizardSettings& settings_;
    std::deque<Step> steps_;
};

TEST(PageSequence, WalksThePagesAsTheUserChooses) {
    using P = PageId;
    {
        // Cancel on the start page ends at once.
        WizardSettings settings;
        ScriptedRunner runner(settings, {{P::Start, R::Cancel}});
        RunPageSequence(runner, settings);
        EXPECT_EQ(runner.visited, std::vector<P>{P::Start});
    }
    {
        // USB, back to the start, ISO; custom settings; back paths; Create.
        WizardSettings settings;
        ScriptedRunner runner(settings, {{P::Start, R::UsbChosen, 1},
                                         {P::UsbDrive, R::Back},
                                         {P::Start, R::IsoChosen, 0},
                                         {P::IsoPath, R::Next},
                                         {P::WorkMode, R::Next, -1, 0},
                                         {P::WipeSettings, R::Next},
                                         {P::Logging, R::Back},
                                         {P::WipeSettings, R::Back},
                                         {P::WorkMode, R::Next, -1, 1},
                                         {P::Logging, R::Next},
                                         {P::IsoSummary, R::Back},
                                         {P::Logging, R::Next},
                                         {P::IsoSummary, R::Next},
                                         {P::Progress, R::Cancel},  // not examined
                                         {P::Finish, R::Next}});
        RunPageSequence(runner, settings);
        EXPECT_TRUE(runner.Done());
        EXPECT_EQ(runner.visited.size(), 15u);
    }
    {
        // With recommended settings Back on the logging page returns to the work mode page.
        WizardSettings settings;
        settings.UseDefaultSetings = 1;
        ScriptedRunner runner(settings, {{P::Start, R::UsbChosen, 1},
                                         {P::UsbDrive, R::Next},
                                         {P::WorkMode, R::Next},
                                         {P::Logging, R::Back},
                                         {P::WorkMode, R::Cancel}});
        RunPageSequence(runner, settings);
        EXPECT_TRUE(runner.Done());
        EXPECT_EQ(runner.visited.back(), P::WorkMode);
    }
}

TEST(PageSequence, OnlyASuccessfulIsoBuildOpensTheFolder) {
    WizardSettings s;
    s.ChooseUsb = 0;
    s.BuildResult = 0;
    s.IsoShowFolder = 1;
    s.IsoPath = u"C:\\images\\quelixcd.iso";
    EXPECT_TRUE(ShouldOpenIsoFolder(s));
    s.BuildResult = 2;
    EXPECT_FALSE(ShouldOpenIsoFolder(s));
    s.BuildResult = 1;
    EXPECT_FALSE(ShouldOpenIsoFolder(s));
    s.BuildResult = 0;
    s.IsoShowFolder = 0;
    EXPECT_FALSE(ShouldOpenIsoFolder(s));
    s.IsoShowFolder = 1;
    s.ChooseUsb = 1;
    EXPECT_FALSE(ShouldOpenIsoFolder(s));
}

}  // namespace
}  // namespace wizard::pages

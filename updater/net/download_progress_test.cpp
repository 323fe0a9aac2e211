#include "updater/net/download_progress.h"

#include <gtest/gtest.h>

#include "updater/net/testing/recording_view.h"

namespace updater {
namespace {

using testing::RecordingView;

DownloadSite Site(std::string directory) {
    return DownloadSite{SiteKind::Https, "dl.example", std::move(directory), 443, kHttpService};
}

ProgressTexts Texts() {
    ProgressTexts texts;
    texts.topTitle = u"KV Automatic Update";
    return texts;
}

TEST(DownloadProgress, PercentRateAndTimeLeftAfterThreeQuietSeconds) {
    RecordingView view;
    int64_t now = 1000;
    DownloadProgress progress(Site("updates"), "setup.exe", u"/tmp/setup.exe", view, Texts(),
                              [&] { return now; });
    progress.Begin();
    EXPECT_EQ(view.shown, std::vector<bool>{false});
    EXPECT_EQ(view.captions.back(), u"0% of setup.exe completed");
    EXPECT_EQ(view.bar, 0);
    EXPECT_EQ(view.topTitle, u"KV Automatic Update");

    const std::unique_ptr<cDownloadActorBlock> sink = progress.StartTransfer(3072);
    EXPECT_EQ(view.lines[kFromLine], u"setup.exe from dl.example/updates");
    EXPECT_EQ(view.lines[kDestinationLine], u"/tmp/setup.exe");

    // Within the first 3 seconds: percentage only, nothing shown.
    EXPECT_TRUE(sink->ChunkReceived(1290));  // 41.99%: 41
    EXPECT_EQ(view.captions.back(), u"41% of setup.exe completed");
    now += 3;
    EXPECT_TRUE(sink->ChunkReceived(1));  // 42%
    EXPECT_EQ(view.captions.back(), u"42% of setup.exe completed");
    EXPECT_EQ(view.bar, 42);
    const size_t captions = view.captions.size();
    EXPECT_TRUE(sink->ChunkReceived(1));  // still 42%: the caption is not set again
    EXPECT_EQ(view.captions.size(), captions);
    EXPECT_FALSE(view.Visible());
    EXPECT_EQ(view.lineUpdates.count(kRateLine), 0u);

    // After them: shown, with rate and estimate once a second.
    now += 1;
    EXPECT_TRUE(sink->ChunkReceived(1536 - 1292));  // 1536 of 3072 in 4 s
    EXPECT_TRUE(view.Visible());
    EXPECT_EQ(view.lines[kRateLine], u"384 B/Sec");
    EXPECT_EQ(view.lines[kTimeLeftLine], u"4 Secs ( 1.5 KB of 3 KB copied )");
    EXPECT_TRUE(sink->ChunkReceived(512));  // the same second: no new texts
    EXPECT_EQ(view.lineUpdates[kRateLine], 1);
    EXPECT_EQ(view.lineUpdates[kTimeLeftLine], 1);
    now += 1;
    EXPECT_TRUE(sink->ChunkReceived(0));
    EXPECT_EQ(view.lines[kRateLine], u"409 B/Sec");  // 2048 / 5
    EXPECT_EQ(view.lines[kTimeLeftLine], u"2 Secs ( 2 KB of 3 KB copied )");

    // Minimised: not shown again, and the top window carries the percentage.
    view.minimised = true;
    view.shown.clear();
    now += 1;
    EXPECT_TRUE(sink->ChunkReceived(1024));
    EXPECT_TRUE(view.shown.empty());
    EXPECT_EQ(view.topTitle, u"100% of setup.exe completed");
    progress.RestoreTopTitle();
    EXPECT_EQ(view.topTitle, u"KV Automatic Update");

    // Stop: the next chunk ends the transfer.
    progress.RequestStop();
    EXPECT_FALSE(sink->ChunkReceived(1));
    EXPECT_EQ(progress.Update(10), -9);
}

TEST(DownloadProgress, NoSizeRefusesTheFirstChunkAndNoRateGivesNoEstimate) {
    RecordingView view;
    int64_t now = 50;
    DownloadProgress progress(Site(""), "omnisweep.ver", u"v", view, Texts(), [&] { return now; });
    progress.Begin();
    std::unique_ptr<cDownloadActorBlock> sink = progress.StartTransfer(0);
    EXPECT_EQ(view.lines[kFromLine], u"omnisweep.ver from dl.example");
    EXPECT_FALSE(sink->ChunkReceived(100));
    EXPECT_EQ(progress.Update(100), -1);

    sink = progress.StartTransfer(1 << 30);
    now += 10;
    EXPECT_TRUE(sink->ChunkReceived(5));  // 0 bytes a second
    EXPECT_EQ(view.lines[kRateLine], u"0 B/Sec");
    EXPECT_EQ(view.lineUpdates.count(kTimeLeftLine), 0u);
}

}  // namespace
}  // namespace updater

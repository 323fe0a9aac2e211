#include "updater/net/download_worker.h"

#include <gtest/gtest.h>

#include <future>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/net/testing/recording_view.h"
#include "updater/net/testing/test_servers.h"

namespace updater {
namespace {

using testing::LocalSite;
using testing::RecordingView;
using testing::Servers;

struct WorkerRun {
    RecordingView view;
    DownloadProgress progress;
    DownloadWorker worker;
    std::promise<int32_t> end;

    explicit WorkerRun(const DownloadSite& site, std::string_view file, platform::WStringView to)
        : progress(site, file, to, view, ProgressTexts{}) {}
};

TEST(DownloadWorker, RunsTheFetchOnItsThreadAndReportsTheEndValue) {
    ASSERT_TRUE(Servers().Available());
    const DownloadSite site = LocalSite(SiteKind::Http, Servers().httpPort);
    qo::test::ScratchFolder folder;

    // A whole file: 0.
    {
        WorkerRun run(site, "size-200000", folder / u"a.bin");
        run.progress.Begin();
        ASSERT_TRUE(run.worker.Start(run.progress, site, "size-200000", folder / u"a.bin", {},
                                     [&](int32_t value) { run.end.set_value(value); }));
        EXPECT_EQ(run.end.get_future().get(), 0);
        run.worker.Join();
        EXPECT_EQ(run.view.captions.back(), u"100% of size-200000 completed");
        uint64_t size = 0;
        EXPECT_TRUE(platform::FileSize(folder / u"a.bin", size));
        EXPECT_EQ(size, 200000u);
    }
    // A failure passes the fetch's code through.
    {
        WorkerRun run(site, "status-404", folder / u"b.bin");
        ASSERT_TRUE(run.worker.Start(run.progress, site, "status-404", folder / u"b.bin", {},
                                     [&](int32_t value) { run.end.set_value(value); }));
        EXPECT_EQ(run.end.get_future().get(), kFetchTransferFailed);
    }
    // Stop while a slow server sends: -9, and the old file stays.
    {
        const platform::WString to = folder.Write(u"setup.exe", "old");
        WorkerRun run(site, "slow", to);
        ASSERT_TRUE(run.worker.Start(run.progress, site, "slow", to, {},
                                     [&](int32_t value) { run.end.set_value(value); }));
        ASSERT_TRUE(run.view.WaitForLine(kFromLine));  // the transfer has started
        run.progress.RequestStop();
        EXPECT_EQ(run.end.get_future().get(), kDownloadStopped);
        run.worker.Join();
        EXPECT_EQ(qo::test::ReadFileBytes(to), "old");
        std::vector<platform::FolderEntry> entries;
        ASSERT_TRUE(platform::ListFolder(folder.Path(), entries));
        EXPECT_EQ(entries.size(), 2u);  // a.bin and setup.exe
    }
}

}  // namespace
}  // namespace updater

#include "updater/net/linux/terminal_download.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "testsupport/scratch_folder.h"
#include "updater/net/testing/test_servers.h"

namespace updater {
namespace {

std::string Contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += static_cast<char>(c);
    return text;
}

TEST(TerminalDownload, TheLineAppearsOnlyWhenShownAndIsRedrawnInPlace) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    TerminalProgressView view(out);
    view.SetBar(42);
    view.SetLine(kFromLine, u"ignored");
    EXPECT_EQ(Contents(out), "");  // hidden: nothing drawn
    view.Show(true);
    view.SetLine(kRateLine, u"1.5 KB/Sec");
    view.SetLine(kTimeLeftLine, u"10 Secs ( 1.5 MB of 3 MB copied )");
    view.SetBar(7);
    view.Finish();
    EXPECT_EQ(Contents(out),
              "\r42%\r42% | 1.5 KB/Sec\r42% | 10 Secs ( 1.5 MB of 3 MB copied ) | 1.5 KB/Sec"
              "\r7% | 10 Secs ( 1.5 MB of 3 MB copied ) | 1.5 KB/Sec \n");
    std::fclose(out);
}

TEST(TerminalDownload, CtrlCStopsAndKeepsTheOldFile) {
    ASSERT_TRUE(testing::Servers().Available());
    const DownloadSite site = testing::LocalSite(SiteKind::Http, testing::Servers().httpPort);
    qo::test::ScratchFolder folder;
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);

    EXPECT_EQ(DownloadInTerminal(site, "size-100000", folder / u"ok.bin", out), 0);
    EXPECT_EQ(qo::test::ReadFileBytes(folder / u"ok.bin").size(), 100000u);

    // A Ctrl-C that is already pending when the download starts: the first
    // chunk is refused and the download ends as stopped.
    sigset_t set, old;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &set, &old), 0);
    ASSERT_EQ(kill(getpid(), SIGINT), 0);
    const platform::WString to = folder.Write(u"setup.exe", "old");
    EXPECT_EQ(DownloadInTerminal(site, "slow", to, out), kDownloadStopped);
    sigset_t pending;
    sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, SIGINT));  // taken by the download
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    EXPECT_EQ(qo::test::ReadFileBytes(to), "old");
    std::fclose(out);
}

}  // namespace
}  // namespace updater

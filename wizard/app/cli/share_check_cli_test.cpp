// --check-share and the check before a build, on the terminal, against a real
// Samba server: the messages printed, the questions and their answers with
// and without a terminal, and the exit codes.
#include "wizard/app/cli/share_check_cli.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "wizard/netshare/linux/smb_share_platform.h"
#include "wizard/netshare/linux/terminal_popup.h"
#include "wizard/netshare/linux/testing/samba_server.h"

namespace wizard::cli {
namespace {

using namespace std::chrono_literals;
namespace samba = netshare::testing;

const std::string kCheckNow =
    "Check the network share now?\n\nThe network share details specified were not checked. The "
    "share might not be available during wiping. Please note that the checking may take several "
    "minutes. [y/N] ";
const std::string kNoFile =
    "Error in creating file in the network folder.\nPerhaps this network share does not exist.";
const std::string kKeep =
    "\n\nAre you sure you want to continue with these settings for network share? [y/N] ";

struct File {
    File() : file(std::tmpfile()) {}
    ~File() { std::fclose(file); }
    std::string Text() const {
        std::fflush(file);
        std::rewind(file);
        std::string text;
        char buffer[512];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
            text.append(buffer, n);
        return text;
    }
    std::FILE* file;
};

TEST(ShareCheckCli, ChecksOnTheTerminalAgainstARealSambaServer) {
    if (const std::string missing = samba::SambaServer::Missing(); !missing.empty())
        GTEST_SKIP() << missing;
    samba::SambaServer server;
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;

    const std::string user = std::string(samba::kWorkgroup) + "\\" + samba::kUser;
    const struct {
        const char* name;
        bool beforeBuild;  // else --check-share
        const char* share;
        std::string password;
        bool interactive;
        bool yes;
        std::string answers;  // typed on the terminal
        int want;             // exit code, or 1/0 for "the build may start"
        std::string out, err;
    } cases[] = {
        {"check passes", false, "\\\\127.0.0.1\\rw", samba::kPassword, false, false, "", kExitOk,
         "Test of write-access to the folder successfully passed.\n", ""},
        {"check, wrong password", false, "//127.0.0.1/rw", "wrong", true, false, "", kExitFailed,
         "", "Invalid user name, password or network domain.\n"},
        {"check, read-only share", false, "\\\\127.0.0.1\\ro", samba::kPassword, false, true, "",
         kExitFailed, "", kNoFile + "\n"},
        {"build, no terminal, passes", true, "\\\\127.0.0.1\\rw", samba::kPassword, false, false,
         "", 1, kCheckNow + "yes (no terminal)\n", ""},
        {"build, no terminal, read-only share", true, "\\\\127.0.0.1\\ro", samba::kPassword, false,
         false, "", 0, kCheckNow + "yes (no terminal)\n" + kNoFile + kKeep + "no (no terminal)\n",
         ""},
        {"build, --yes keeps a read-only share", true, "\\\\127.0.0.1\\ro", samba::kPassword, false,
         true, "", 1, kCheckNow + "yes (--yes)\n" + kNoFile + kKeep + "yes (--yes)\n", ""},
        {"build, the user declines the check", true, "\\\\127.0.0.1\\nosuch", "", true, false,
         "n\n", 1, kCheckNow, ""},
        {"build, the user keeps a read-only share", true, "\\\\127.0.0.1\\ro", samba::kPassword,
         true, false, "y\nyes\n", 1, kCheckNow + kNoFile + kKeep, ""},
        {"build, the user stays", true, "\\\\127.0.0.1\\ro", samba::kPassword, true, false, "y\n",
         0, kCheckNow + kNoFile + kKeep, ""},
    };
    netshare::SmbSharePlatform platform(20s);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        File in, out, err;
        std::fputs(c.answers.c_str(), in.file);
        std::rewind(in.file);
        netshare::TerminalPopupSystem popups(err.file);
        const ShareCheckTerminal terminal{platform, popups,   in.file,
                                          out.file, err.file, c.interactive};
        WizardSettings settings;
        settings.NetLog = 1;
        settings.NetShare = platform::FromUtf8(c.share);
        settings.NetUser = platform::FromUtf8(user);
        settings.NetPassword = platform::FromUtf8(c.password);
        CliOptions options;
        options.yes = c.yes;
        const int got = c.beforeBuild ? CheckShareBeforeBuild(settings, options, terminal)
                                      : CheckShareFromCli(settings, options, terminal);
        EXPECT_EQ(got, c.want);
        EXPECT_EQ(out.Text(), c.out);
        // The wait line may come first on a slow machine; the messages follow it.
        std::string errText = err.Text();
        const std::string waitLine = std::string(netshare::kWaitLine) + "\n";
        if (errText.rfind(waitLine, 0) == 0)
            errText.erase(0, waitLine.size());
        EXPECT_EQ(errText, c.err);
    }
    EXPECT_TRUE(std::filesystem::is_empty(server.Folder("rw")));
}

}  // namespace
}  // namespace wizard::cli

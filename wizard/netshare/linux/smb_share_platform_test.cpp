// The share check on Linux against a real Samba server (smbd in a private
// network namespace): the right account passes and leaves nothing on the
// share, a wrong password, a missing share or server and a read-only share
// give their messages.
#include "wizard/netshare/linux/smb_share_platform.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <unistd.h>

#include <filesystem>

#include "wizard/netshare/linux/terminal_popup.h"
#include "wizard/netshare/linux/testing/samba_server.h"
#include "wizard/netshare/testing/fake_share_system.h"

namespace wizard::netshare {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kNoShare =
    "Error in accessing the network shared folder.\nPerhaps this network share does not exist.";
const std::string kNoFile =
    "Error in creating file in the network folder.\nPerhaps this network share does not exist.";
const std::string kBadLogon = "Invalid user name, password or network domain.";

// The names in a folder, sorted.
std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SmbSharePlatform, ChecksSharesOnARealSambaServer) {
    if (const std::string missing = testing::SambaServer::Missing(); !missing.empty())
        GTEST_SKIP() << missing;
    testing::SambaServer server;
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    // A file of the test file's name belongs to someone: it must survive.
    qo::test::WriteFileBytes(platform::FromUtf8(server.Folder("rw") + "/tmp.txt"), "keep me");
    fs::create_directory(server.Folder("guest") + "/wipe logs 100%");
    fs::permissions(server.Folder("guest") + "/wipe logs 100%", fs::perms::all);

    const std::string user = std::string(testing::kWorkgroup) + "\\" + testing::kUser;
    const struct {
        const char* name;
        platform::WString share;
        std::string user;
        std::string password;
        bool passes;
        std::string message;  // the one message shown, or empty
    } cases[] = {
        {"right account", u"\\\\127.0.0.1\\rw", user, testing::kPassword, true, ""},
        {"slashes, no domain", u"//127.0.0.1/rw/", testing::kUser, testing::kPassword, true, ""},
        {"wrong password", u"\\\\127.0.0.1\\rw", user, "wrong", false, kBadLogon},
        {"missing share", u"\\\\127.0.0.1\\nosuch", user, testing::kPassword, false, kNoShare},
        {"missing server", u"\\\\127.0.0.2\\rw", user, testing::kPassword, false, kNoShare},
        {"unknown server name", u"\\\\nosuchserver.invalid\\rw", "", "", false, kNoShare},
        {"missing folder", u"\\\\127.0.0.1\\guest\\nofolder", "", "", false, kNoShare},
        {"read-only share", u"\\\\127.0.0.1\\ro", user, testing::kPassword, false, kNoFile},
        {"guest share, own identity", u"\\\\127.0.0.1\\guest\\wipe logs 100%", "", "", true, ""},
    };
    SmbSharePlatform platform(20s);
    TerminalPopupSystem popups(stderr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::Journal journal;
        testing::FakeShareMessages messages(journal, nullptr);
        ShareCheck check(messages, platform, popups);
        const ShareCheckResult result =
            check.Test({c.share, platform::FromUtf8(c.user), platform::FromUtf8(c.password)}, true);
        EXPECT_EQ(result.passed, c.passes);
        EXPECT_EQ(result.proceed, c.passes);
        EXPECT_EQ(messages.texts, c.message.empty() ? std::vector<std::string>{}
                                                    : std::vector<std::string>{c.message});
    }
    // Nothing of the tests stays on the shares; the old file is untouched.
    EXPECT_EQ(Listing(server.Folder("rw")), std::vector<std::string>{"tmp.txt"});
    EXPECT_EQ(qo::test::ReadFileBytes(platform::FromUtf8(server.Folder("rw") + "/tmp.txt")),
              "keep me");
    EXPECT_TRUE(Listing(server.Folder("guest") + "/wipe logs 100%").empty());
    EXPECT_EQ(Listing(server.Folder("guest")), std::vector<std::string>{"wipe logs 100%"});
}

}  // namespace
}  // namespace wizard::netshare

namespace wizard::netshare {
namespace {

// On a machine with no network interface up, libsmbclient would end the whole
// program; the check finds no share there instead.
TEST(SmbSharePlatform, AMachineWithoutNetworkFindsNoShareAndKeepsRunning) {
    EXPECT_EXIT(
        {
            if (unshare(CLONE_NEWNET) != 0)  // a namespace whose loopback is down
                _exit(2);
            SmbSharePlatform platform(5s);
            const bool exists = platform.PathExists(u"\\\\127.0.0.1\\share");
            const LogonResult logon =
                platform.LogOn({u"", u"user", u"password"}, u"\\\\127.0.0.1\\share");
            _exit(!exists && logon.status != LogonStatus::Ok ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace wizard::netshare

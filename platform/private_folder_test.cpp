#include "platform/private_folder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"

namespace platform {
namespace {

std::string Narrow(const WString& path) {
    return ToUtf8(path);
}

TEST(PrivateFolder, TakesOnlyAFolderOfTheUsersOwnAndHoldsIt) {
    qo::test::ScratchFolder scratch(u"qo private");
    const auto folder = [&](const char16_t* name, mode_t mode) {
        const WString path = scratch / name;
        EXPECT_TRUE(CreateFolder(path));
        chmod(Narrow(path).c_str(), mode);
        return path;
    };
    const WString own = folder(u"own", 0700);
    const WString link = scratch / u"link";
    EXPECT_EQ(symlink(Narrow(own).c_str(), Narrow(link).c_str()), 0);
    struct Case {
        const char* name;
        WString path;
        bool create;
        FolderRefusal refusal;
    };
    std::vector<Case> cases = {
        {"own, private", own, false, FolderRefusal::None},
        {"own, readable by all", folder(u"readable", 0755), false, FolderRefusal::None},
        {"group may write", folder(u"group", 0770), false, FolderRefusal::OpenToOthers},
        {"anyone may write (sticky)", folder(u"shared", 01777), false, FolderRefusal::OpenToOthers},
        {"a link to an own folder", link, true, FolderRefusal::Link},
        {"a file", scratch.Write(u"file", "x"), true, FolderRefusal::NotFolder},
        {"missing", scratch / u"missing", false, FolderRefusal::Missing},
        {"relative", u"made here", true, FolderRefusal::Missing},
        {"missing, made", JoinPath(scratch / u"made", u"deeper"), true, FolderRefusal::None},
    };
    if (geteuid() == 0) {
        const WString other = folder(u"other", 0777);
        EXPECT_EQ(chown(Narrow(other).c_str(), 65534, 65534), 0);
        cases.push_back({"another user's", other, true, FolderRefusal::OtherOwner});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrivateFolder held;
        EXPECT_EQ(held.Open(c.path, c.create), c.refusal);
        EXPECT_EQ(held.IsOpen(), c.refusal == FolderRefusal::None);
    }
    struct stat made {};
    ASSERT_EQ(stat(Narrow(scratch / u"made").c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 07777, 0700u);

    // Another folder renamed into the held one's place receives nothing.
    PrivateFolder held;
    ASSERT_EQ(held.Open(own, false), FolderRefusal::None);
    const WString moved = scratch / u"moved";
    ASSERT_EQ(rename(Narrow(own).c_str(), Narrow(moved).c_str()), 0);
    folder(u"own", 0700);
    qo::test::WriteFileBytes(held.Reach(u"file.bin"), "held");
    EXPECT_EQ(qo::test::ReadFileBytes(JoinPath(moved, u"file.bin")), "held");
    EXPECT_FALSE(PathExists(JoinPath(own, u"file.bin")));
}

TEST(PrivateFolder, TheBaseIsTheUsersOwnTemporaryFolderOrCache) {
    qo::test::ScratchFolder scratch(u"qo base");
    const WString own = scratch / u"tmp";
    const WString shared = scratch / u"shared";
    ASSERT_TRUE(CreateFolder(own) && CreateFolder(shared));
    chmod(Narrow(own).c_str(), 0700);
    chmod(Narrow(shared).c_str(), 01777);
    const std::string oldTmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    setenv("TMPDIR", Narrow(own).c_str(), 1);
    EXPECT_EQ(PrivateTempFolder(), own);
    setenv("TMPDIR", Narrow(shared).c_str(), 1);
    if (geteuid() == 0) {
        EXPECT_EQ(PrivateTempFolder(), u"/var/cache/Korvane");
    }
    if (oldTmp.empty())
        unsetenv("TMPDIR");
    else
        setenv("TMPDIR", oldTmp.c_str(), 1);
}

}  // namespace
}  // namespace platform
#endif  // !_WIN32

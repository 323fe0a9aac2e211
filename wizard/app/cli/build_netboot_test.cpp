#include "wizard/app/cli/build_netboot.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"

namespace wizard::cli {
namespace {

TEST(NetbootFolder, TakesOrRefusesTheFolderBeforeTheBuild) {
    qo::test::ScratchFolder scratch{u"qo-netboot-dir"};
    const std::string root = platform::ToUtf8(scratch.Path());
    scratch.Write(u"afile", "not a folder");
    ASSERT_TRUE(platform::CreateFolder(scratch / u"open"));
    ASSERT_EQ(chmod((root + "/open").c_str(), 0777), 0);
    ASSERT_TRUE(platform::CreateFolders(scratch / u"private/tree"));
    ASSERT_EQ(chmod((root + "/private").c_str(), 0700), 0);
    struct Case {
        std::string folder;
        bool asRoot;
        std::string absolute;  // empty: refused
        std::string message;   // the error, or the warning
    } cases[] = {
        {root + "/new/tree/", false, root + "/new/tree", ""},
        {root + "/open", false, root + "/open", ""},
        {root + "/open", true, "", "'" + root + "/open' may be changed by every user"},
        {root + "/afile", false, "", "'" + root + "/afile' is not a folder"},
        {root + "/afile/tree", false, "", "cannot create the folder '" + root + "/afile/tree'"},
        {root + "/line\nbreak", false, "", "cannot be named in dnsmasq.conf"},
        {root + "/private/tree", false, root + "/private/tree",
         "cannot read '" + root + "/private'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        std::string absolute, warning, error;
        const bool taken = PrepareNetbootFolder(c.folder, c.asRoot, absolute, warning, error);
        EXPECT_EQ(taken, !c.absolute.empty()) << error;
        const std::string& told = taken ? warning : error;
        if (c.message.empty())  // (a private temporary folder above may be named)
            EXPECT_EQ(told.find(root + "/"), std::string::npos) << told;
        else
            EXPECT_NE(told.find(c.message), std::string::npos) << told;
        if (taken) {
            EXPECT_EQ(absolute, c.absolute);
            EXPECT_TRUE(platform::IsFolder(platform::FromUtf8(absolute)));
        }
    }
    EXPECT_FALSE(platform::PathExists(scratch / u"line\nbreak"));
}

}  // namespace
}  // namespace wizard::cli

#include "wizard/media/netboot_media_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "wizard/media/testing/recording_reporter.h"

namespace wizard {
namespace {

using namespace std::chrono_literals;
using platform::JoinPath;
using platform::WString;
using qo::test::ReadFileBytes;
namespace fs = std::filesystem;

// A program folder with a small payload, a private temporary folder and a
// target folder that already holds a file of others.
class NetbootFixture {
  public:
    NetbootFixture() {
        for (const char16_t* name : {u"common/vmlinuz", u"common/initrd.img", u"net/pxelinux.0",
                                     u"net/pxelinux.cfg/default", u"net/grub/grub.cfg"})
            scratch.Write(JoinPath(u"prog", name), platform::ToUtf8(name));
        scratch.Write(u"prog/schemes/zero_fill.sch", "; zeros\n[1-pass zero fill]\n1. zero\n");
        scratch.Write(u"target/other.txt", "of others");
        EXPECT_TRUE(platform::CreateFolder(temp));
        SettingsEnvironment env;
        env.SchemesFolder = JoinPath(program, u"schemes");
        env.ProgramFolder = program;
        settings = WizardSettings(env);
    }

    int Build() {
        BuildWorker worker(reporter, 1ms);
        std::promise<int> result;
        worker.Start(
            [this](BuildContext& build) {
                return NetbootMediaBuilder(settings, build, program, {target, "192.168.1.0", {}},
                                           temp)
                    .BuildNetbootTree();
            },
            [&](int buildResult) { result.set_value(buildResult); });
        const int value = result.get_future().get();
        worker.Join();
        return value;
    }
    // Every name below a folder, files with their content.
    std::vector<std::string> Listing(const WString& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(folder)))
            names.push_back(
                entry.path().string() +
                (entry.is_regular_file() ? "=" + ReadFileBytes(entry.path().u16string()) : ""));
        return names;
    }

    WString In(platform::WStringView name) const { return JoinPath(target, name); }

    qo::test::ScratchFolder scratch{u"qo-netboot"};
    WString program = scratch / u"prog", temp = scratch / u"tmp", target = scratch / u"target";
    WizardSettings settings;
    testing::RecordingReporter reporter;
};

TEST(NetbootMediaBuilder, ReplacesOurFilesWholeAndKeepsOthers) {
    NetbootFixture net;
    net.scratch.Write(u"target/wipe_config", "from an older tree");
    net.scratch.Write(u"target/pxelinux.cfg/01-52-54-00-00-00-01", "another machine's menu");
#ifndef _WIN32
    // A link in the place of one of our files is replaced, not written through.
    net.scratch.Write(u"victim", "not ours");
    fs::create_symlink(fs::path(net.scratch / u"victim"), fs::path(net.In(u"vmlinuz")));
#endif

    EXPECT_EQ(net.Build(), kBuildCreated);
    EXPECT_EQ(net.reporter.steps.back(), "Finished.@100");
    EXPECT_TRUE(net.reporter.messages.empty());
    EXPECT_FALSE(platform::IsLinkPath(net.In(u"vmlinuz")));
    EXPECT_EQ(ReadFileBytes(net.In(u"vmlinuz")), "common/vmlinuz");
    EXPECT_EQ(ReadFileBytes(net.In(u"grub/grub.cfg")), "net/grub/grub.cfg");
    EXPECT_EQ(ReadFileBytes(net.In(u"other.txt")), "of others");
    EXPECT_EQ(ReadFileBytes(net.In(u"pxelinux.cfg/01-52-54-00-00-00-01")),
              "another machine's menu");
    EXPECT_EQ(ReadFileBytes(net.In(u"wipe_config")).rfind("export USE_SHELL=", 0), 0u);
    // Nothing else is left: no staging folder, no half-copied file beside ours.
    EXPECT_TRUE(net.Listing(net.temp).empty());
    for (const std::string& name : net.Listing(net.target))
        EXPECT_EQ(name.find("QLX"), std::string::npos) << name;
#ifndef _WIN32
    EXPECT_EQ(ReadFileBytes(net.scratch / u"victim"), "not ours");
    EXPECT_NE(ReadFileBytes(net.In(u"dnsmasq.conf"))
                  .find("tftp-root=\"" + platform::ToUtf8(net.target) + "\"\n"),
              std::string::npos);
    // The TFTP server reads the tree as another user.
    for (const char16_t* name : {u"quelix", u"tmp/policy.cfg", u"tmp/schemes/zero_fill.sch"}) {
        const fs::perms perms = fs::status(fs::path(net.In(name))).permissions();
        EXPECT_NE(perms & fs::perms::others_read, fs::perms::none) << platform::ToUtf8(name);
    }
#endif
}

TEST(NetbootMediaBuilder, RefusesATreeItCannotPlaceBeforeWritingAnything) {
    struct Case {
        const char* name;
        std::function<void(NetbootFixture&)> arrange;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"a file in the place of a folder of the tree",
         [](NetbootFixture& net) { net.scratch.Write(u"target/tmp", "a file"); },
         "tmp' is not a folder"},
        {"a folder in the place of a file of the tree",
         [](NetbootFixture& net) {
             ASSERT_TRUE(platform::CreateFolders(net.In(u"grub/grub.cfg")));
         },
         "grub.cfg' is a folder"},
#ifndef _WIN32
        {"a link in the place of a folder of the tree",
         [](NetbootFixture& net) {
             ASSERT_TRUE(platform::CreateFolder(net.scratch / u"elsewhere"));
             fs::create_directory_symlink(fs::path(net.scratch / u"elsewhere"),
                                          fs::path(net.In(u"pxelinux.cfg")));
         },
         "pxelinux.cfg' is not a folder (a link is not followed)"},
#endif
        {"a payload without network boot files",
         [](NetbootFixture& net) { ASSERT_TRUE(platform::DeleteTree(net.program + u"/net")); },
         "cannot copy the network boot files from '"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NetbootFixture net;
        c.arrange(net);
        const std::vector<std::string> before = net.Listing(net.target);
        EXPECT_EQ(net.Build(), kBuildFailed);
        ASSERT_EQ(net.reporter.messages.size(), 1u);
        EXPECT_NE(net.reporter.messages[0].find(c.message), std::string::npos)
            << net.reporter.messages[0];
        EXPECT_EQ(net.Listing(net.target), before);
        EXPECT_TRUE(net.Listing(net.temp).empty());
    }
}

}  // namespace
}  // namespace wizard

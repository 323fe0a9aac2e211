#include "wizard/app/cli/reproducible_build.h"

#include <gtest/gtest.h>
#include <utime.h>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"

namespace wizard::cli {
namespace {

TEST(ReproducibleBuild, TheStampComesFromTheVariableElseTheNewestPayloadFile) {
    qo::test::ScratchFolder program;
    const auto file = [&](const char16_t* name, time_t time) {
        const platform::WString path = program / name;
        ASSERT_TRUE(platform::CreateFolders(platform::ParentFolder(path)));
        qo::test::WriteFileBytes(path, "x");
        const utimbuf times{time, time};
        ASSERT_EQ(utime(platform::ToUtf8(path).c_str(), &times), 0);
    };
    file(u"common/vmlinuz", 1500000000);
    file(u"schemes/a.sch", 1600000000);
    file(u"mediawizard", 1800000000);  // the program is not payload
    qo::test::ScratchFolder empty;

    const struct {
        const char* variable;
        bool reproducible;
        bool fromEmptyFolder;
        std::optional<uint32_t> time;  // none with ok: the clock
        bool ok;
    } cases[] = {
        {"1700000000", false, false, 1700000000, true},
        {"1700000000", true, false, 1700000000, true},  // the variable wins
        {"4294967295", false, false, 4294967295u, true},
        {"", false, false, std::nullopt, true},  // empty counts as unset
        {nullptr, true, false, 1600000000, true},
        {nullptr, true, true, std::nullopt, false},  // no payload to take a time from
        {"4294967296", false, false, std::nullopt, false},
        {"-1", false, false, std::nullopt, false},
        {"17e8", false, false, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.variable ? c.variable : "(unset)") +
                     (c.reproducible ? " --reproducible" : ""));
        BuildStamp stamp{12345};
        std::string error;
        EXPECT_EQ(
            ResolveBuildStamp(c.reproducible, c.variable,
                              c.fromEmptyFolder ? empty.Path() : program.Path(), stamp, error),
            c.ok)
            << error;
        if (c.ok)
            EXPECT_EQ(stamp.time, c.time);
        else
            EXPECT_FALSE(error.empty());
    }
}

}  // namespace
}  // namespace wizard::cli

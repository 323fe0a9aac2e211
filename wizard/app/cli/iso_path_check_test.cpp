#include "wizard/app/cli/iso_path_check.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "wizard/app/cli/cli_options.h"

namespace wizard::cli {
namespace {

TEST(IsoOption, PathIsOptionalAndTheActionExcludesOthers) {
    CliOptions o;
    std::string error;
    ASSERT_TRUE(ParseCli({"--iso", "--manual", "--open-folder"}, o, error)) << error;
    EXPECT_EQ(o.action, Action::Iso);
    EXPECT_FALSE(o.isoPath);
    EXPECT_TRUE(o.openFolder);
    EXPECT_EQ(o.autoStart, false);

    CliOptions withPath;
    ASSERT_TRUE(ParseCli({"--lock-settings", "--iso", "out/x.iso"}, withPath, error)) << error;
    EXPECT_EQ(withPath.isoPath, "out/x.iso");
    CliOptions withEquals;
    ASSERT_TRUE(ParseCli({"--iso=y"}, withEquals, error)) << error;
    EXPECT_EQ(withEquals.isoPath, "y");

    CliOptions both;
    EXPECT_FALSE(ParseCli({"--iso", "--write-config", "dir"}, both, error));
    EXPECT_NE(error.find("--iso"), std::string::npos);
}

TEST(IsoPathCheck, AppendsTheExtensionAndProbesTheFileWithoutLeavingOne) {
    EXPECT_EQ(WithIsoExtension("image.iso"), "image.iso");
    EXPECT_EQ(WithIsoExtension("image.ISO"), "image.ISO");
    EXPECT_EQ(WithIsoExtension(".iso"), ".iso.iso");  // 4 characters are only an extension
    EXPECT_EQ(WithIsoExtension("image"), "image.iso");
    EXPECT_EQ(WithIsoExtension("image.img"), "image.img.iso");

    const qo::test::ScratchFolder scratch{u"qo-iso-path"};
    platform::WString file;
    ASSERT_TRUE(platform::CreateUniqueTempFile(scratch.Path(), u"qip", file));
    const std::string existing = platform::ToUtf8(file);
    std::string path = existing;  // ends in .tmp: the check looks at existing.tmp.iso
    EXPECT_TRUE(CheckIsoPath(path));
    EXPECT_EQ(path, existing + ".iso");
    EXPECT_FALSE(platform::PathExists(platform::FromUtf8(path)));  // made for the probe only

    qo::test::WriteFileBytes(platform::FromUtf8(path), "kept");
    EXPECT_TRUE(CheckIsoPath(path));
    EXPECT_EQ(qo::test::ReadFileBytes(platform::FromUtf8(path)), "kept");

    std::string inMissingFolder = existing + ".d/out.iso";
    EXPECT_FALSE(CheckIsoPath(inMissingFolder));
    ASSERT_TRUE(platform::CreateFolder(platform::FromUtf8(existing + ".d.iso")));
    std::string folder = existing + ".d";
    EXPECT_FALSE(CheckIsoPath(folder));  // names the folder existing.d.iso
}

}  // namespace
}  // namespace wizard::cli

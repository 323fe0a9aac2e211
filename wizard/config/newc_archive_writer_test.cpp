#include "wizard/config/newc_archive_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"
#include "wizard/config/file_stream.h"
#include "wizard/config/newc_header.h"
#include "wizard/config/testing/newc_reader.h"

namespace wizard {
namespace {

using qo::test::ReadFileBytes;
using qo::test::ScratchFolder;
using testing::ReadNewc;
#ifndef _WIN32
using qo::test::RunShell;
using qo::test::ShellPath;
#endif

// A source that claims size bytes but delivers only available of them, like a
// file that shrinks or fails while it is copied.
class ShortSource : public std::streambuf {
  public:
    ShortSource(std::size_t size, std::size_t available) : size_(size), data_(available, 'x') {
        setg(data_.data(), data_.data(), data_.data() + data_.size());
    }

  protected:
    pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode) override {
        if (dir == std::ios::end) {
            atEnd_ = true;
            return pos_type(static_cast<off_type>(size_) + off);
        }
        if (dir == std::ios::cur) {
            off += atEnd_ ? static_cast<off_type>(size_) : gptr() - eback();
        }
        atEnd_ = false;
        setg(data_.data(), data_.data() + off, data_.data() + data_.size());
        return pos_type(off);
    }
    pos_type seekpos(pos_type pos, std::ios::openmode mode) override {
        return seekoff(off_type(pos), std::ios::beg, mode);
    }

  private:
    std::size_t size_;
    std::string data_;
    bool atEnd_ = false;
};

TEST(NewcHeader, FieldsPaddingAndNameLimits) {
    const std::string header =
        FormatNewcHeader({0x10003, kNewcModeMemory, 0x5F5E1000, 70}, "wipe_config");
    EXPECT_EQ(header.size(), 124u);  // 110 + 12, padded with 2 NUL bytes
    EXPECT_EQ(header.substr(0, 110),
              "070701"
              "00010003"
              "000081A4"
              "00000000"
              "00000000"
              "00000001"
              "5F5E1000"
              "00000046"
              "00000011"
              "00000000"
              "00000011"
              "00000000"
              "0000000C"
              "00000000");
    EXPECT_EQ(header.substr(110), std::string("wipe_config\0\0\0", 14));
    // The trailer header is 121 bytes before its 3 padding bytes.
    EXPECT_EQ(FormatNewcHeader({}, kNewcTrailerName).size(), 124u);
    EXPECT_EQ(FormatNewcHeader({}, "ab").size(), 116u);  // 113 -> 116
    EXPECT_EQ(FormatNewcHeader({}, "a").size(), 112u);   // 112, no padding

    EXPECT_FALSE(IsValidNewcName(""));
    EXPECT_FALSE(IsValidNewcName(std::string("a\0b", 3)));
    // The padded header must fit 65,535 bytes: at most 65,532.
    EXPECT_TRUE(IsValidNewcName(std::string(65532 - 110 - 1, 'n')));
    EXPECT_FALSE(IsValidNewcName(std::string(65532 - 110, 'n')));
}

TEST(NewcArchiveWriter, WritesMembersInOrderWithPaddingAndTrailer) {
    ScratchFolder scratch;
    NewcArchiveWriter writer([] { return 0x12345678u; });
    ASSERT_TRUE(writer.OpenArchiveIn(scratch.Path()));
    EXPECT_EQ(platform::FileNamePart(writer.TempFilePath()).substr(0, 3), u"QLX");

    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i * 7 + i / 251);
    }
    std::istringstream bigSource(big);
    bigSource.seekg(5000);  // read from the start whatever the position
    std::istringstream emptySource("");
    ASSERT_TRUE(writer.AddFile(bigSource, "tmp/big.bin"));
    ASSERT_TRUE(writer.AddFile(emptySource, "empty"));
    ASSERT_TRUE(writer.AddMemory("abcde", "wipe_config"));
    ASSERT_TRUE(writer.WriteTrailer());
    const platform::WString target = scratch / u"quelix";
    ASSERT_TRUE(writer.CommitArchive(target));
    EXPECT_FALSE(platform::PathExists(writer.TempFilePath()));

    const std::string archive = ReadFileBytes(target);
    EXPECT_EQ(archive.size() % 4, 0u);
    const auto members = ReadNewc(archive);
    ASSERT_EQ(members.size(), 4u);
    const char* names[] = {"tmp/big.bin", "empty", "wipe_config", "TRAILER!!!"};
    const uint32_t modes[] = {0100755, 0100755, 0100644, 0};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(members[i].name, names[i]);
        EXPECT_EQ(members[i].inode, 0x10000u + i);
        EXPECT_EQ(members[i].mode, modes[i]);
        EXPECT_EQ(members[i].nlink, 1u);
        EXPECT_EQ(members[i].mtime, 0x12345678u);
        EXPECT_EQ(members[i].devmajor, "00000011");
        EXPECT_EQ(members[i].rdevmajor, "00000011");
        EXPECT_EQ(members[i].devminor + members[i].rdevminor + members[i].check,
                  std::string(24, '0'));
    }
    EXPECT_EQ(members[0].data, big);
    EXPECT_EQ(members[2].data, "abcde");
    EXPECT_EQ(members[3].size, 0u);
    EXPECT_EQ(members[3].headerLength, 124u);
}

TEST(NewcArchiveWriter, FailuresLeaveNoTemporaryFileAndNoTarget) {
    ScratchFolder scratch;
    const platform::WString target = scratch / u"quelix";
    platform::WString temp;
    {
        NewcArchiveWriter writer;
        ASSERT_TRUE(writer.OpenArchiveIn(scratch.Path()));
        temp = writer.TempFilePath();
        ShortSource shortBuffer(100000, 70000);
        std::istream shortSource(&shortBuffer);
        EXPECT_FALSE(writer.AddFile(shortSource, "broken"));
        // Once broken, the archive takes nothing more and cannot be committed.
        EXPECT_FALSE(writer.AddMemory("x", "later"));
        EXPECT_FALSE(writer.CommitArchive(target));
        EXPECT_TRUE(platform::PathExists(temp));
    }
    EXPECT_FALSE(platform::PathExists(temp));
    EXPECT_FALSE(platform::PathExists(target));

    {
        NewcArchiveWriter writer;
        ASSERT_TRUE(writer.OpenArchiveIn(scratch.Path()));
        temp = writer.TempFilePath();
        EXPECT_FALSE(writer.AddMemory("x", ""));  // no name
        ASSERT_TRUE(writer.AddMemory("x", "ok"));
        ASSERT_TRUE(writer.WriteTrailer());
        EXPECT_FALSE(writer.CommitArchive(scratch / u"missing" + platform::kPathSeparator + u"q"));
    }
    EXPECT_FALSE(platform::PathExists(temp));

    NewcArchiveWriter unopened;
    EXPECT_FALSE(unopened.AddMemory("x", "x"));
    EXPECT_FALSE(unopened.OpenArchiveIn(scratch / u"no such folder"));
    EXPECT_FALSE(unopened.CommitArchive(target));
    EXPECT_FALSE(platform::PathExists(target));
}

#ifndef _WIN32
// GNU cpio and bsdtar list and extract what we write, byte for byte.
TEST(NewcArchiveWriter, RealReadersExtractTheMembers) {
    ScratchFolder scratch;
    std::string data;
    for (int i = 0; i < 70001; ++i) {
        data += static_cast<char>(i % 253);
    }
    NewcArchiveWriter writer;
    ASSERT_TRUE(writer.OpenArchiveIn(scratch.Path()));
    std::istringstream source(data);
    ASSERT_TRUE(writer.AddFile(source, "tmp/scheme/odd name.sch"));
    ASSERT_TRUE(writer.AddMemory("export A=b\n", "wipe_config"));
    ASSERT_TRUE(writer.WriteTrailer());
    const platform::WString archive = scratch / u"quelix";
    ASSERT_TRUE(writer.CommitArchive(archive));

    std::string out;
    ASSERT_EQ(RunShell("cpio -it --quiet < " + ShellPath(archive), out), 0);
    EXPECT_EQ(out, "tmp/scheme/odd name.sch\nwipe_config\n");
    ASSERT_EQ(RunShell("bsdtar -tvf " + ShellPath(archive), out), 0);
    EXPECT_NE(out.find("-rwxr-xr-x"), std::string::npos) << out;
    EXPECT_NE(out.find("-rw-r--r--"), std::string::npos) << out;
    EXPECT_NE(out.find("70001"), std::string::npos) << out;

    const platform::WString into = scratch / u"x";
    ASSERT_TRUE(platform::CreateFolder(into));
    ASSERT_EQ(
        RunShell("cd " + ShellPath(into) + " && cpio -id --quiet < " + ShellPath(archive), out), 0);
    EXPECT_EQ(ReadFileBytes(into + u"/tmp/scheme/odd name.sch"), data);
    EXPECT_EQ(ReadFileBytes(into + u"/wipe_config"), "export A=b\n");
}
#endif

}  // namespace
}  // namespace wizard

#include "platform/input_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"

namespace platform {
namespace {

class InputFileTest : public ::testing::Test {
  protected:
    WString Write(const std::string& bytes) { return scratch_.Write(u"data.bin", bytes); }

    qo::test::ScratchFolder scratch_;
};

TEST_F(InputFileTest, ReadsInPiecesAndWholeWithinALimit) {
    const std::string text = "0123456789abcdef";
    const WString path = Write(text);
    InputFile file;
    ASSERT_TRUE(file.Open(path));
    EXPECT_EQ(file.Size(), text.size());
    char piece[5] = {};
    EXPECT_EQ(file.Read(piece, 5), 5);
    EXPECT_EQ(std::string(piece, 5), "01234");
    InputFile moved = std::move(file);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Read(piece, 5), -1);
    std::string rest(32, '\0');
    EXPECT_EQ(moved.Read(rest.data(), rest.size()), 11);
    EXPECT_EQ(rest.substr(0, 11), "56789abcdef");
    EXPECT_EQ(moved.Read(rest.data(), rest.size()), 0);
    moved.Close();
    EXPECT_FALSE(moved.IsOpen());

    std::vector<uint8_t> bytes{1, 2, 3};
    EXPECT_EQ(ReadWholeFile(path, 16, bytes), WholeFileResult::Ok);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), text);
    EXPECT_EQ(ReadWholeFile(path, 15, bytes), WholeFileResult::TooLarge);
    EXPECT_EQ(ReadWholeFile(Write(""), 0, bytes), WholeFileResult::Ok);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(ReadWholeFile(scratch_ / u"missing", 16, bytes), WholeFileResult::CannotOpen);
    // Only regular files open.
    EXPECT_FALSE(file.Open(scratch_.Path()));
    EXPECT_FALSE(file.Open(u""));
    EXPECT_FALSE(file.Open(WString(u"data.bin\0x", 10)));
}

}  // namespace
}  // namespace platform

#include "platform/input_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/files.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class InputFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        folder_ = JoinPath(TempFolder(), FromUtf8("qo-input-" + std::to_string(stamp) + "-" +
                                                  std::to_string(std::random_device{}())));
        ASSERT_TRUE(CreateFolders(folder_));
    }
    void TearDown() override { DeleteTree(folder_); }

    WString Write(const std::string& bytes) {
        const WString path = JoinPath(folder_, u"data.bin");
        std::ofstream(fs::path(path), std::ios::binary | std::ios::trunc) << bytes;
        return path;
    }

    WString folder_;
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
    EXPECT_EQ(ReadWholeFile(JoinPath(folder_, u"missing"), 16, bytes), WholeFileResult::CannotOpen);
    // Only regular files open.
    EXPECT_FALSE(file.Open(folder_));
    EXPECT_FALSE(file.Open(u""));
    EXPECT_FALSE(file.Open(WString(u"data.bin\0x", 10)));
}

}  // namespace
}  // namespace platform

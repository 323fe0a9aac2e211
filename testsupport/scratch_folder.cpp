#include "testsupport/scratch_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/files.h"

namespace qo::test {

namespace {
std::filesystem::path FsPath(platform::WStringView path) {
    return std::filesystem::path(platform::WString(path));
}
}  // namespace

ScratchFolder::ScratchFolder(platform::WStringView prefix) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = platform::JoinPath(
        platform::TempFolder(),
        platform::WString(prefix) + platform::FromUtf8("-" + std::to_string(stamp) + "-" +
                                                       std::to_string(std::random_device{}())));
    EXPECT_TRUE(platform::CreateFolders(path_)) << platform::ToUtf8(path_);
}

ScratchFolder::~ScratchFolder() {
    platform::DeleteTree(path_);
}

platform::WString ScratchFolder::operator/(platform::WStringView name) const {
    return platform::JoinPath(path_, name);
}

platform::WString ScratchFolder::Write(platform::WStringView name, std::string_view bytes) const {
    const platform::WString file = *this / name;
    std::error_code ignored;
    std::filesystem::create_directories(FsPath(file).parent_path(), ignored);
    WriteFileBytes(file, bytes);
    return file;
}

std::string ReadFileBytes(platform::WStringView path) {
    std::ifstream in(FsPath(path), std::ios::binary);
    EXPECT_TRUE(in.is_open()) << "cannot open " << platform::ToUtf8(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(platform::WStringView path, std::string_view bytes) {
    std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    EXPECT_FALSE(out.fail()) << "cannot write " << platform::ToUtf8(path);
}

platform::WString SourceFile(std::initializer_list<platform::WStringView> parts) {
    const char* root = std::getenv("QO_SOURCE_DIR");
    EXPECT_NE(root, nullptr) << "QO_SOURCE_DIR is not set";
    platform::WString path = platform::FromUtf8(root ? root : "");
    for (platform::WStringView part : parts)
        path = platform::JoinPath(path, part);
    return path;
}

}  // namespace qo::test

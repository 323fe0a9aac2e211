// Test helper: a fresh folder below the temporary folder, removed with
// everything in it at the end of the test, and files written into it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/text.h"

namespace updater::testing {

class ScratchFolder {
  public:
    ScratchFolder() {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = platform::JoinPath(platform::TempFolder(),
                                   platform::FromUtf8("qo-updater-" + std::to_string(stamp) + "-" +
                                                      std::to_string(std::random_device{}())));
        EXPECT_TRUE(platform::CreateFolders(path_));
    }
    ~ScratchFolder() { platform::DeleteTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const platform::WString& Path() const { return path_; }
    platform::WString operator/(platform::WStringView name) const {
        return platform::JoinPath(path_, name);
    }

    // Writes bytes to a file of the folder and returns its path.
    platform::WString Write(platform::WStringView name, std::string_view bytes) const {
        const platform::WString file = *this / name;
        std::ofstream out(std::filesystem::path(file), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        EXPECT_FALSE(out.fail()) << platform::ToUtf8(file);
        return file;
    }

  private:
    platform::WString path_;
};

// The source tree's path of a file, from QO_SOURCE_DIR.
inline platform::WString SourceFile(std::initializer_list<const char16_t*> parts) {
    const char* root = std::getenv("QO_SOURCE_DIR");
    EXPECT_NE(root, nullptr) << "QO_SOURCE_DIR is not set";
    platform::WString path = platform::FromUtf8(root ? root : "");
    for (const char16_t* part : parts)
        path = platform::JoinPath(path, part);
    return path;
}

}  // namespace updater::testing

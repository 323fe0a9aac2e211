// Helpers shared by this module's tests: a scratch folder, whole-file reads
// and writes, and a strict reader of newc archives.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/files.h"
#include "wizard/config/file_stream.h"

namespace wizard::testing {

// A fresh folder below the temporary folder, removed at the end of the test.
class Scratch {
  public:
    Scratch() {
        platform::WString file;
        EXPECT_TRUE(platform::CreateUniqueTempFile(platform::TempFolder(), u"qcf", file));
        EXPECT_TRUE(platform::DeleteOneFile(file));
        root_ = file + u".d";
        EXPECT_TRUE(platform::CreateFolder(root_));
    }
    ~Scratch() { platform::DeleteTree(root_); }
    platform::WString operator/(platform::WStringView name) const {
        return platform::JoinPath(root_, name);
    }
    const platform::WString& root() const { return root_; }

  private:
    platform::WString root_;
};

inline std::string ReadFileBytes(platform::WStringView path) {
    std::ifstream in = OpenForReading(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFileBytes(platform::WStringView path, std::string_view bytes) {
    ASSERT_TRUE(WriteWholeFile(path, bytes));
}

// The source tree's file below wizard/config/testdata.
inline std::string ReadTestData(const char* name) {
    const char* root = std::getenv("QO_SOURCE_DIR");
    EXPECT_NE(root, nullptr) << "QO_SOURCE_DIR is not set";
    if (root == nullptr) {
        return {};
    }
    platform::WString path = platform::FromUtf8(root);
    for (const char16_t* part : {u"wizard", u"config", u"testdata"}) {
        path = platform::JoinPath(path, part);
    }
    return ReadFileBytes(platform::JoinPath(path, platform::FromUtf8(name)));
}

struct NewcMember {
    uint32_t inode = 0, mode = 0, uid = 0, gid = 0, nlink = 0, mtime = 0, size = 0;
    std::string devmajor, devminor, rdevmajor, rdevminor, check;
    std::size_t headerOffset = 0, headerLength = 0;
    std::string name;
    std::string data;
};

// Reads an archive by the format's rules, failing the test on any deviation
// (magic, hex digits, NUL after the name, NUL padding, 4-byte alignment,
// nothing after the trailer).
inline std::vector<NewcMember> ReadNewc(const std::string& archive) {
    std::vector<NewcMember> members;
    std::size_t pos = 0;
    auto field = [&](std::size_t index) { return archive.substr(pos + 6 + 8 * index, 8); };
    auto number = [&](std::size_t index) {
        const std::string text = field(index);
        EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos) << text;
        return static_cast<uint32_t>(std::stoul(text, nullptr, 16));
    };
    auto padding = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            EXPECT_EQ(archive[i], '\0') << "padding at " << i;
        }
    };
    while (pos + 110 <= archive.size()) {
        EXPECT_EQ(pos % 4, 0u);
        EXPECT_EQ(archive.substr(pos, 6), "070701");
        NewcMember m;
        m.headerOffset = pos;
        m.inode = number(0), m.mode = number(1), m.uid = number(2), m.gid = number(3);
        m.nlink = number(4), m.mtime = number(5), m.size = number(6);
        m.devmajor = field(7), m.devminor = field(8), m.rdevmajor = field(9);
        m.rdevminor = field(10), m.check = field(12);
        const uint32_t nameSize = number(11);
        if (nameSize == 0 || pos + 110 + nameSize > archive.size()) {
            ADD_FAILURE() << "bad name size at " << pos;
            return members;
        }
        m.name = archive.substr(pos + 110, nameSize - 1);
        EXPECT_EQ(archive[pos + 110 + nameSize - 1], '\0');
        const std::size_t dataStart = (pos + 110 + nameSize + 3) / 4 * 4;
        padding(pos + 110 + nameSize, dataStart);
        m.headerLength = dataStart - pos;
        m.data = archive.substr(dataStart, m.size);
        EXPECT_EQ(m.data.size(), m.size);
        pos = (dataStart + m.size + 3) / 4 * 4;
        padding(dataStart + m.size, std::min(pos, archive.size()));
        members.push_back(m);
        if (m.name == "TRAILER!!!") {
            EXPECT_EQ(pos, archive.size()) << "bytes after the trailer";
            return members;
        }
    }
    ADD_FAILURE() << "no trailer";
    return members;
}

}  // namespace wizard::testing

#ifndef _WIN32
#include <sys/wait.h>
#include <cstdio>

namespace wizard::testing {

// Runs a shell command, returns its exit status and its standard output.
inline int RunShell(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A path quoted for the shell.
inline std::string ShellPath(platform::WStringView path) {
    std::string quoted = "'";
    for (char c : platform::ToUtf8(path)) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

}  // namespace wizard::testing
#endif

// Test helper: a strict reader of newc archives, to check what the archive
// writer produced byte by byte. Any thread.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace wizard::testing {

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

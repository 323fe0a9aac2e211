// The member header of an SVR4 "newc" cpio archive (ASCII, magic "070701"), as
// the Linux kernel reads it for initial RAM file systems. Pure functions; any
// thread may call them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wizard {

constexpr uint32_t kNewcModeFile = 0100755;    // members copied from a file
constexpr uint32_t kNewcModeMemory = 0100644;  // members written from memory
constexpr uint32_t kNewcFirstInode = 0x10000;
constexpr std::size_t kNewcFixedHeaderSize = 110;
// A header (fixed part, name, NUL and padding) must fit this work buffer.
constexpr std::size_t kNewcMaxHeaderSize = 65535;
constexpr std::string_view kNewcTrailerName = "TRAILER!!!";

struct NewcHeaderFields {
    uint32_t inode = 0;
    uint32_t mode = 0;
    uint32_t mtime = 0;
    uint32_t fileSize = 0;
};

// Number of NUL bytes that pad length up to a multiple of 4.
constexpr std::size_t NewcPadding(std::size_t length) {
    return (4 - length % 4) % 4;
}

// Whether name can name a member: not empty, no NUL byte, and a header that
// fits kNewcMaxHeaderSize.
bool IsValidNewcName(std::string_view name);

// The complete header: 110 bytes of fields, the name, its NUL and the padding
// that makes the header's length a multiple of 4. The name must be valid.
std::string FormatNewcHeader(const NewcHeaderFields& fields, std::string_view name);

}  // namespace wizard

#include "wizard/config/newc_header.h"

#include <cstdio>

namespace wizard {
namespace {

void AppendHex8(std::string& out, uint32_t value) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(value));
    out.append(digits, 8);
}

// The device fields carry major number 0x11, as the wiping environment's own
// archives always have.
constexpr uint32_t kDeviceMajor = 0x11;

}  // namespace

bool IsValidNewcName(std::string_view name) {
    if (name.empty() || name.find('\0') != std::string_view::npos) {
        return false;
    }
    const std::size_t unpadded = kNewcFixedHeaderSize + name.size() + 1;
    return unpadded + NewcPadding(unpadded) <= kNewcMaxHeaderSize;
}

std::string FormatNewcHeader(const NewcHeaderFields& fields, std::string_view name) {
    std::string header;
    header.reserve(kNewcFixedHeaderSize + name.size() + 4);
    header.append("070701");
    AppendHex8(header, fields.inode);
    AppendHex8(header, fields.mode);
    AppendHex8(header, 0);  // uid
    AppendHex8(header, 0);  // gid
    AppendHex8(header, 1);  // nlink
    AppendHex8(header, fields.mtime);
    AppendHex8(header, fields.fileSize);
    AppendHex8(header, kDeviceMajor);
    AppendHex8(header, 0);
    AppendHex8(header, kDeviceMajor);  // rdevmajor
    AppendHex8(header, 0);
    AppendHex8(header, static_cast<uint32_t>(name.size() + 1));
    AppendHex8(header, 0);  // check
    header.append(name);
    header.push_back('\0');
    header.append(NewcPadding(header.size()), '\0');
    return header;
}

}  // namespace wizard

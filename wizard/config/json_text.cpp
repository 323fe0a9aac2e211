#include "wizard/config/json_text.h"

#include <cstdio>

namespace wizard {
namespace {

void AppendEscape(std::string& out, unsigned char c) {
    switch (c) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\f':
            out += "\\f";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
    }
    char code[8];
    std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(c));
    out += code;
}

}  // namespace

std::string EscapeJsonString(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || c == '"' || c == '\\') {
            AppendEscape(out, byte);
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace wizard

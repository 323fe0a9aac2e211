#include "wizard/config/shell_value.h"

namespace wizard {
namespace {

bool IsPlainByte(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return std::string_view("/._-@:+,=%").find(c) != std::string_view::npos;
}

}  // namespace

bool IsPlainShellValue(std::string_view value) {
    for (char c : value) {
        if (!IsPlainByte(c)) {
            return false;
        }
    }
    return true;
}

std::string ShellValue(std::string_view value) {
    if (IsPlainShellValue(value)) {
        return std::string(value);
    }
    std::string quoted = "'";
    for (char c : value) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    quoted += '\'';
    return quoted;
}

}  // namespace wizard

// The ANSI code page of the Linux target is Windows-1252.
#include "platform/text.h"

namespace platform {

std::string ToAnsi(WStringView text) {
    return ToWindows1252(text, '?');
}
WString FromAnsi(std::string_view text) {
    return FromWindows1252(text);
}

}  // namespace platform

#include <windows.h>

#include <climits>

#include "langfile/utf_text.h"

namespace langfile {

std::u16string DecodeAnsi(std::string_view text) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (length <= 0)
        return DecodeWindows1252(text);
    std::u16string out(static_cast<size_t>(length), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, reinterpret_cast<wchar_t*>(out.data()),
                        length);
    return out;
}

}  // namespace langfile

#include "langfile/utf_text.h"

namespace langfile {

// Linux has no ANSI code page; the programs use Windows-1252 in its place.
std::u16string DecodeAnsi(std::string_view text) {
    return DecodeWindows1252(text);
}

}  // namespace langfile

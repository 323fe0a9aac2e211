#include <windows.h>

#include "updater/net/size_text.h"

namespace updater {

char16_t UserDecimalSeparator() {
    static const char16_t separator = [] {
        wchar_t text[8] = {};
        if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, 8) < 2)
            return u'.';
        return static_cast<char16_t>(text[0]);
    }();
    return separator;
}

}  // namespace updater

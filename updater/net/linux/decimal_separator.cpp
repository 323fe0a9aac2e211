// The user's decimal separator on Linux: the radix character of the numeric
// locale the environment names (LC_ALL, LC_NUMERIC, LANG).
#include <langinfo.h>
#include <locale.h>

#include "updater/net/size_text.h"

namespace updater {

char16_t UserDecimalSeparator() {
    static const char16_t separator = [] {
        locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
        if (locale == static_cast<locale_t>(0))
            return u'.';
        const char* radix = nl_langinfo_l(RADIXCHAR, locale);
        const platform::WString text = platform::FromUtf8(radix != nullptr ? radix : "");
        freelocale(locale);
        return text.empty() ? u'.' : text[0];
    }();
    return separator;
}

}  // namespace updater

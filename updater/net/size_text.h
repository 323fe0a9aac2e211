// The size text of the download dialog and the options page: a byte count in
// B, KB, MB, GB or TB with one decimal digit when the value is not a whole
// number of its unit ("512 B", "1 KB", "1.0 KB", "1.5 KB"), the unit word
// translated when a language is loaded. Pure functions apart from reading the
// user's decimal separator once; any thread may call them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/text.h"
#include "updater/net/text_language.h"

namespace updater {

// The text of value, cut to capacity - 1 characters. With noScaling the value
// is shown in bytes.
platform::WString SizeText(uint64_t value, bool noScaling, size_t capacity,
                           const TextLanguage& language, char16_t decimalSeparator);
// The same with the installed language and the user's decimal separator.
platform::WString SizeText(uint64_t value, bool noScaling = false, size_t capacity = 32);

// The first character of the user's decimal separator setting, read once;
// '.' when it cannot be read.
char16_t UserDecimalSeparator();

}  // namespace updater

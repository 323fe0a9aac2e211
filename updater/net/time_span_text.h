// The time span text of the download dialog ("59 Secs", "1 Hour 5 Mins "):
// a number of seconds in its largest unit up to weeks, with the next smaller
// unit when it adds something, rounded to a number of significant digits, in
// the translation language's words and plural forms (three forms for locale
// 1049) and reading direction. On Windows, when a language is loaded that has
// no word for weeks, spans under 25 hours come from the system's interval
// formatter (StrFromTimeIntervalW) instead. Any thread may call these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/text.h"
#include "updater/net/text_language.h"

namespace updater {

// The system's interval text of milliseconds with digits significant digits;
// none where the system has no such formatter (Linux) or it fails.
using IntervalFormatter = std::function<std::optional<platform::WString>(uint32_t, int)>;

// The text of seconds with digits significant digits (negative: 2 below
// 3 units, else 1), cut to capacity - 1 characters.
platform::WString TimeSpanText(uint64_t seconds, int digits, size_t capacity,
                               const TextLanguage& language,
                               const IntervalFormatter& systemFormatter);
// The same with the installed language and the system's formatter.
platform::WString TimeSpanText(uint64_t seconds, int digits = 2, size_t capacity = 100);

// StrFromTimeIntervalW of shlwapi.dll, loaded by name on first use (Windows);
// none on Linux.
std::optional<platform::WString> SystemIntervalText(uint32_t milliseconds, int digits);

}  // namespace updater

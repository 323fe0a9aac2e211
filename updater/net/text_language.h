// The loaded translation language as the download texts need it: word
// translation with the answer whether one exists, the locale number (for the
// plural forms of locale 1049) and the reading direction. InstalledLanguage
// reads the binding that the language layer registered at start (none: no
// language). Any thread may call it once the language is loaded.
#pragma once

#include <string_view>

#include "platform/text.h"

namespace updater {

class TextLanguage {
  public:
    virtual ~TextLanguage() = default;
    virtual bool IsLoaded() const = 0;
    // The word's translation, or the word itself; found tells which.
    virtual platform::WString Translate(std::string_view word, bool* found = nullptr) const = 0;
    virtual int LocaleNumber() const = 0;
    virtual bool RightToLeft() const = 0;
};

// The language registered by the language layer (cLangFile), or none.
const TextLanguage& InstalledLanguage();

}  // namespace updater

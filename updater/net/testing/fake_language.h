// Test support: a translation language held in a table.
#pragma once

#include <map>
#include <string>

#include "updater/net/text_language.h"

namespace updater::testing {

class FakeLanguage : public TextLanguage {
  public:
    bool loaded = true;
    int localeNumber = 0;
    bool rightToLeft = false;
    std::map<std::string, platform::WString, std::less<>> words;

    bool IsLoaded() const override { return loaded; }
    platform::WString Translate(std::string_view word, bool* found) const override {
        const auto it = loaded ? words.find(word) : words.end();
        if (found != nullptr)
            *found = it != words.end();
        return it != words.end() ? it->second : platform::FromAnsi(word);
    }
    int LocaleNumber() const override { return localeNumber; }
    bool RightToLeft() const override { return rightToLeft; }
};

}  // namespace updater::testing

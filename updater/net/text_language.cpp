#include "updater/net/text_language.h"

#include "updater/support/lang_file.h"

namespace updater {
namespace {

class LangFileLanguage : public TextLanguage {
  public:
    bool IsLoaded() const override {
        const cLangFile* lang = cLangFile::Registered();
        return lang != nullptr && lang->IsActive();
    }
    platform::WString Translate(std::string_view word, bool* found) const override {
        if (found != nullptr)
            *found = false;
        const cLangFile* lang = cLangFile::Registered();
        if (lang == nullptr || !lang->IsActive())
            return platform::FromAnsi(word);
        const std::string key(word);
        char16_t out[256];
        const int length =
            lang->TranslateKey(out, 256, key.c_str(), static_cast<int>(key.size()), found);
        return platform::WString(out, static_cast<size_t>(length));
    }
    int LocaleNumber() const override {
        const cLangFile* lang = cLangFile::Registered();
        return lang != nullptr ? lang->LocaleNumber() : 0;
    }
    bool RightToLeft() const override {
        const cLangFile* lang = cLangFile::Registered();
        return lang != nullptr && lang->RightToLeft();
    }
};

}  // namespace

const TextLanguage& InstalledLanguage() {
    static const LangFileLanguage language;
    return language;
}

}  // namespace updater

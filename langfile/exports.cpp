// The exported entry points: thin wrappers that keep every failure inside the
// library and turn it into the documented result.
#define LANGFILE_BUILDING
#include <cstring>
#include <string>

#include "langfile/langfile_api.h"
#include "langfile/language_table.h"
#include "langfile/utf_text.h"
#include "langfile/window_texts.h"

namespace langfile {
namespace {

thread_local std::string lastLoadError;

// Copies text into out, cut to capacity - 1 characters without splitting a
// surrogate pair, and terminates it. Returns the characters written.
int CopyOut(std::u16string_view text, char16_t* out, int capacity) {
    if (out == nullptr || capacity < 1)
        return 0;
    size_t length = std::min(text.size(), static_cast<size_t>(capacity - 1));
    if (length > 0 && length < text.size() && text[length - 1] >= 0xD800 &&
        text[length - 1] <= 0xDBFF)
        --length;
    std::memcpy(out, text.data(), length * sizeof(char16_t));
    out[length] = u'\0';
    return static_cast<int>(length);
}

std::string_view KeyText(const char* key, int keyLength) {
    if (key == nullptr)
        return {};
    return keyLength > 0 ? std::string_view(key, static_cast<size_t>(keyLength))
                         : std::string_view(key);
}

// The translation of key, or null when the language has none.
const std::u16string* Lookup(const Language* language, const std::u16string& key) {
    if (language == nullptr)
        return nullptr;
    const auto found = language->catalog.find(key);
    return found == language->catalog.end() ? nullptr : &found->second;
}

int Translate(int handle, char16_t* out, int capacity, const char* key, int keyLength,
              bool onlyTranslations) {
    if (out == nullptr || capacity < 1)
        return 0;
    out[0] = u'\0';
    const std::u16string text = DecodeAnsi(KeyText(key, keyLength));
    const std::shared_ptr<Language> language = FindLanguage(handle);
    if (const std::u16string* translation = Lookup(language.get(), text))
        return CopyOut(*translation, out, capacity);
    return onlyTranslations ? 0 : CopyOut(text, out, capacity);
}

}  // namespace
}  // namespace langfile

using namespace langfile;

LF_API int LF_CALL lfTranslateStrW(int handle, char16_t* out, int capacity, const char* key,
                                   int keyLength) {
    try {
        return Translate(handle, out, capacity, key, keyLength, false);
    } catch (...) {
        return 0;
    }
}

LF_API int LF_CALL lfTryTranslateStrW(int handle, char16_t* out, int capacity, const char* key,
                                      int keyLength) {
    try {
        return Translate(handle, out, capacity, key, keyLength, true);
    } catch (...) {
        return 0;
    }
}

LF_API int LF_CALL lfTranslateDialogW(int handle, void* window) {
    try {
        const std::shared_ptr<Language> language = FindLanguage(handle);
        return language ? TranslateDialogTexts(*language, window) : -1;
    } catch (...) {
        return -1;
    }
}

LF_API int LF_CALL lfTranslateMenuW(int handle, void* menu) {
    try {
        const std::shared_ptr<Language> language = FindLanguage(handle);
        return language ? TranslateMenuTexts(*language, menu) : -1;
    } catch (...) {
        return -1;
    }
}

LF_API void LF_CALL lfReset(int handle) {
    try {
        RemoveLanguage(handle);
    } catch (...) {
    }
}

LF_API int LF_CALL lfLoadLang(const char16_t* path, int* handle) {
    try {
        if (handle != nullptr)
            *handle = -1;
        if (path == nullptr || handle == nullptr) {
            lastLoadError = "no path or no handle given";
            return 0;
        }
        auto language = std::make_shared<Language>();
        if (!LoadLanguageFile(path, *language, lastLoadError))
            return 0;
        *handle = AddLanguage(std::move(language));
        lastLoadError.clear();
        return 1;
    } catch (...) {
        lastLoadError = "out of memory";
        return 0;
    }
}

LF_API void LF_CALL lfSetDialogLayout(void* window, int rightToLeft) {
    try {
        SetDialogLayout(window, rightToLeft != 0);
    } catch (...) {
    }
}

LF_API int LF_CALL lfSetTextDirection(int handle, int rightToLeft) {
    try {
        const std::shared_ptr<Language> language = FindLanguage(handle);
        if (!language)
            return 0;
        // A plain flag read by dialog translation on the window's thread.
        language->rightToLeft = rightToLeft != 0;
        return 1;
    } catch (...) {
        return 0;
    }
}

LF_API int LF_CALL lfLastLoadErrorW(char16_t* out, int capacity) {
    try {
        return CopyOut(DecodeWindows1252(lastLoadError), out, capacity);
    } catch (...) {
        return 0;
    }
}

// The language layer of the update program: binds the maker's language library
// (langfile2.dll / liblangfile2.so), loads the installed language file and
// translates texts, string resources, dialogs and menus through it. Without the
// library or a language file every text stays English and left-to-right.
//
// A translation is used only when its placeholders agree with the English
// text's (placeholder_check.h): a translated pattern never makes the formatter
// read a different argument list.
//
// Threads: Start and LoadLanguage run on the interface thread before any window
// exists; afterwards the binding does not change and the translation calls may
// come from any thread (the interface thread and the download worker). Dialog
// and menu calls belong to the thread that owns the window.
#pragma once

#include <string_view>

#include "platform/library.h"
#include "platform/text.h"
#include "updater/support/string_resources.h"

namespace updater {

class cLangFile {
  public:
    // Name of the library beside the program (or in the folder above it).
#ifdef _WIN32
    static constexpr char16_t kLibraryName[] = u"langfile2.dll";
#else
    static constexpr char16_t kLibraryName[] = u"liblangfile2.so";
#endif
    static constexpr char kNoInstance[] = "Resource Instance is not initialized";
    // Message box flags for right-to-left reading and right alignment.
    static constexpr unsigned kRightToLeftMessage = 0x180000;

    cLangFile() = default;
    ~cLangFile();
    cLangFile(const cLangFile&) = delete;
    cLangFile& operator=(const cLangFile&) = delete;

    // The binding registered by Start; null before.
    static cLangFile* Registered();

    // Binds the library, finds and loads the language file of the program at
    // programFilePath (empty: the running program) and registers this binding
    // for the process. Returns whether a language is active.
    bool Start(platform::WStringView programFilePath = {});
    // Loads the library from programFolder, else from its parent, and resolves
    // all eight entry points; false (and nothing bound) when any is missing.
    bool Bind(platform::WStringView programFolder);
    // Loads a language file, resetting the previous language first. An empty
    // path means no language. Returns whether a language is active.
    bool LoadLanguage(platform::WStringView path);

    // Translates key (keyLength bytes of ANSI text, or up to its NUL when
    // keyLength < 1) into out (capacity characters with the terminator). The
    // output holds the translation, or the key itself when there is none or
    // when the translation's placeholders disagree. checkPlaceholders adds the
    // shape rule to the argument rule, which always applies. Returns the
    // characters written.
    int TranslateKey(char16_t* out, int capacity, const char* key, int keyLength,
                     bool* found = nullptr, bool checkPlaceholders = true) const;
    // The translation of a literal of the program, or the literal itself.
    platform::WString Translate(std::string_view key) const;
    // A string resource, translated when asked and a translation exists; from
    // no instance the text "Resource Instance is not initialized". Returns the
    // characters written (0 for an unknown id).
    int LoadString(const StringResources* instance, unsigned id, char16_t* out, int capacity,
                   bool translate = true, bool checkPlaceholders = true) const;
    // Translates a dialog's texts, mirroring its layout first unless kept.
    // -1 without a language.
    int TranslateDialog(void* window, bool keepLayout) const;
    // Translates a menu's texts; -1 without a language.
    int TranslateMenu(void* menu) const;

    // The language's locale number ("LANGUAGE_LOCALE_NUMBER"); 0 when none.
    int LocaleNumber() const;
    bool IsActive() const {
        return !error_;
    }
    bool IsBound() const {
        return lfTranslateStrW_ != nullptr;
    }
    bool RightToLeft() const {
        return IsActive() && rightToLeft_;
    }
    const platform::WString& LanguageFilePath() const {
        return path_;
    }
    // flags with right-to-left reading added when the language reads so.
    unsigned MessageBoxStyle(unsigned flags) const;

  private:
#ifdef _WIN32
#define QO_LF_CALL __stdcall
#else
#define QO_LF_CALL
#endif
    using TranslateStrFn = int QO_LF_CALL(int, char16_t*, int, const char*, int);
    using TranslateHandleFn = int QO_LF_CALL(int, void*);
    using ResetFn = void QO_LF_CALL(int);
    using LoadLangFn = int QO_LF_CALL(const char16_t*, int*);
    using SetDialogLayoutFn = void QO_LF_CALL(void*, int);
    using SetTextDirectionFn = int QO_LF_CALL(int, int);
#undef QO_LF_CALL

    void Unload();
    bool DetectRightToLeft() const;

    platform::Library library_;
    TranslateStrFn* lfTranslateStrW_ = nullptr;
    TranslateStrFn* lfTryTranslateStrW_ = nullptr;
    TranslateHandleFn* lfTranslateDialogW_ = nullptr;
    TranslateHandleFn* lfTranslateMenuW_ = nullptr;
    ResetFn* lfReset_ = nullptr;
    LoadLangFn* lfLoadLang_ = nullptr;
    SetDialogLayoutFn* lfSetDialogLayout_ = nullptr;
    SetTextDirectionFn* lfSetTextDirection_ = nullptr;

    bool error_ = true;  // true while no language is active
    int handle_ = -1;
    platform::WString path_;
    bool rightToLeft_ = false;
};

// Reads a locale number in the first of the forms "=\"0x%x\"", "0x%x",
// "=\"%d\"" and "%d" that yields a value; 0 when none does.
int ParseLocaleNumber(platform::WStringView text);

// The process default layout for new windows (Windows: SetProcessDefaultLayout
// of user32.dll, loaded by name; Linux: remembered for the command line).
void SetProcessLayout(bool rightToLeft);
bool ProcessLayoutIsRightToLeft();

}  // namespace updater

#include "updater/support/lang_file.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/files.h"
#include "updater/support/lang_file_search.h"
#include "updater/support/placeholder_check.h"

namespace updater {
namespace {

using platform::WString;
using platform::WStringView;

std::atomic<cLangFile*> registered{nullptr};

constexpr int kResourceKeyBytes = 2048;

// Copies text into out, cut to fit and terminated; returns the characters written.
int CopyOut(WStringView text, char16_t* out, int capacity) {
    if (out == nullptr || capacity < 1)
        return 0;
    const size_t length = std::min(text.size(), static_cast<size_t>(capacity - 1));
    std::copy_n(text.data(), length, out);
    out[length] = u'\0';
    return static_cast<int>(length);
}

std::string_view KeyText(const char* key, int keyLength) {
    if (key == nullptr)
        return {};
    if (keyLength > 0)
        return std::string_view(key, static_cast<size_t>(keyLength));
    return std::string_view(key);
}

bool Agree(WStringView translation, WStringView key, bool shapeRule) {
    return shapeRule ? PlaceholdersAgree(translation, key)
                     : PatternArguments(translation) == PatternArguments(key);
}

}  // namespace

cLangFile::~cLangFile() {
    cLangFile* self = this;
    registered.compare_exchange_strong(self, nullptr);
    Unload();
}

cLangFile* cLangFile::Registered() {
    return registered.load();
}

bool cLangFile::Start(WStringView programFilePath) {
    const WString program(programFilePath.empty() ? platform::ProgramFilePath()
                                                  : WString(programFilePath));
    const bool active =
        Bind(platform::ParentFolder(program)) && LoadLanguage(FindLanguageFile(program));
    if (!active)
        SetProcessLayout(false);
    registered.store(this);
    return active;
}

bool cLangFile::Bind(WStringView programFolder) {
    Unload();
    const WString parent = platform::ParentFolder(programFolder);
    if (!library_.Load(platform::JoinPath(programFolder, kLibraryName)) &&
        (parent.empty() || !library_.Load(platform::JoinPath(parent, kLibraryName))))
        return false;
    using platform::Entry;
    if (!platform::ResolveInto(
            library_,
            {Entry("lfTranslateStrW", lfTranslateStrW_),
             Entry("lfTryTranslateStrW", lfTryTranslateStrW_),
             Entry("lfTranslateDialogW", lfTranslateDialogW_),
             Entry("lfTranslateMenuW", lfTranslateMenuW_), Entry("lfReset", lfReset_),
             Entry("lfLoadLang", lfLoadLang_), Entry("lfSetDialogLayout", lfSetDialogLayout_),
             Entry("lfSetTextDirection", lfSetTextDirection_)})) {
        library_.Unload();
        return false;
    }
    return true;
}

void cLangFile::Unload() {
    if (handle_ != -1 && lfReset_ != nullptr)
        lfReset_(handle_);
    handle_ = -1;
    error_ = true;
    rightToLeft_ = false;
    library_.Unload();
    lfTranslateStrW_ = lfTryTranslateStrW_ = nullptr;
    lfTranslateDialogW_ = lfTranslateMenuW_ = nullptr;
    lfReset_ = nullptr;
    lfLoadLang_ = nullptr;
    lfSetDialogLayout_ = nullptr;
    lfSetTextDirection_ = nullptr;
}

bool cLangFile::LoadLanguage(WStringView path) {
    if (handle_ != -1 && lfReset_ != nullptr)
        lfReset_(handle_);
    handle_ = -1;
    error_ = true;
    rightToLeft_ = false;
    path_ = WString(path);
    uint64_t size = 0;
    const bool usable = !path_.empty() && path_.find(u'\0') == WString::npos &&
                        platform::FileSize(path_, size) && size > 0;
    if (!IsBound() || !usable || lfLoadLang_(path_.c_str(), &handle_) == 0) {
        handle_ = -1;
        // Also after a right-to-left language: new windows read left-to-right again.
        SetProcessLayout(false);
        return false;
    }
    error_ = false;
    rightToLeft_ = DetectRightToLeft();
    SetProcessLayout(rightToLeft_);
    return true;
}

bool cLangFile::DetectRightToLeft() const {
    char16_t text[64];
    if (lfTranslateStrW_(handle_, text, 64, "RightToLeft", 0) > 0 &&
        platform::EqualsIgnoreCase(text, u"TRUE"))
        return true;
    return lfTryTranslateStrW_(handle_, text, 64, "LANGUAGE_READ_START", 0) > 0 &&
           platform::EqualsIgnoreCase(text, u"Right");
}

int cLangFile::TranslateKey(char16_t* out, int capacity, const char* key, int keyLength,
                            bool* found, bool checkPlaceholders) const {
    if (found != nullptr)
        *found = false;
    if (out == nullptr || capacity < 1)
        return 0;
    const std::string_view keyText = KeyText(key, keyLength);
    const WString english = platform::FromAnsi(keyText);
    if (!IsActive() || keyText.empty())
        return CopyOut(english, out, capacity);
    const int length = static_cast<int>(keyText.size());
    if (found != nullptr &&
        lfTryTranslateStrW_(handle_, out, capacity, keyText.data(), length) > 0) {
        const int written = static_cast<int>(std::char_traits<char16_t>::length(out));
        if (!Agree(WStringView(out, written), english, checkPlaceholders))
            return CopyOut(english, out, capacity);
        *found = true;
        return written;
    }
    const int result = lfTranslateStrW_(handle_, out, capacity, keyText.data(), length);
    if (result < 1 || result >= capacity)
        return CopyOut(english, out, capacity);
    if (!Agree(WStringView(out, static_cast<size_t>(result)), english, checkPlaceholders))
        return CopyOut(english, out, capacity);
    return result;
}

WString cLangFile::Translate(std::string_view key) const {
    // TranslateKey reads up to a NUL when given no length: an empty view has
    // nothing to translate, whatever its buffer holds after it.
    if (key.empty())
        return {};
    std::u16string out(1024, u'\0');
    const int length = TranslateKey(out.data(), static_cast<int>(out.size()), key.data(),
                                    static_cast<int>(std::min<size_t>(key.size(), 1 << 20)));
    out.resize(static_cast<size_t>(length));
    return out;
}

int cLangFile::LoadString(const StringResources* instance, unsigned id, char16_t* out, int capacity,
                          bool translate, bool checkPlaceholders) const {
    if (out == nullptr || capacity < 1)
        return 0;
    if (instance == nullptr)
        return CopyOut(platform::FromAnsi(kNoInstance), out, capacity);
    WString text;
    if (!instance->Load(id, text))
        return CopyOut(u"", out, capacity);
    if (translate && IsActive()) {
        std::string key = platform::ToAnsi(text);
        key.resize(std::min<size_t>(key.size(), kResourceKeyBytes - 1));
        bool found = false;
        const int length = TranslateKey(out, capacity, key.c_str(), static_cast<int>(key.size()),
                                        &found, checkPlaceholders);
        if (found)
            return length;
    }
    return CopyOut(text, out, capacity);
}

int cLangFile::TranslateDialog(void* window, bool keepLayout) const {
    if (!IsActive())
        return -1;
    if (!keepLayout)
        lfSetDialogLayout_(window, rightToLeft_ ? 1 : 0);
    return lfTranslateDialogW_(handle_, window);
}

int cLangFile::TranslateMenu(void* menu) const {
    return IsActive() ? lfTranslateMenuW_(handle_, menu) : -1;
}

int cLangFile::LocaleNumber() const {
    char16_t text[64];
    bool found = false;
    TranslateKey(text, 64, "LANGUAGE_LOCALE_NUMBER", 0, &found, true);
    return found ? ParseLocaleNumber(text) : 0;
}

unsigned cLangFile::MessageBoxStyle(unsigned flags) const {
    return RightToLeft() ? flags | kRightToLeftMessage : flags;
}

}  // namespace updater

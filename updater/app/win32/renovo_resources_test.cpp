// The built program's resources: its string table holds exactly the texts of
// EnglishStrings(), and every text of its dialogs has a German
// translation whose placeholders agree with the English text.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwctype>
#include <set>
#include <vector>

#include "langfile/po_reader.h"
#include "platform/win32/wide.h"
#include "resource.h"
#include "testsupport/scratch_folder.h"
#include "updater/app/updater_strings.h"
#include "updater/support/placeholder_check.h"
#include "updater/support/win32/module_strings.h"

namespace updater {
namespace {

using platform::WString;

// Renovo.exe loaded for its resources only.
class ProgramResources {
  public:
    ProgramResources() {
        const char* path = std::getenv("QO_RENOVO_EXE");
        if (path == nullptr)
            return;
        const WString wide = platform::FromUtf8(path);
        module_ = LoadLibraryExW(platform::Wide(wide), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    ~ProgramResources() {
        if (module_ != nullptr)
            FreeLibrary(module_);
    }
    ProgramResources(const ProgramResources&) = delete;
    ProgramResources& operator=(const ProgramResources&) = delete;
    HMODULE Module() const { return module_; }

  private:
    HMODULE module_ = nullptr;
};

INT_PTR CALLBACK IdleDialog(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// The texts of a dialog's caption and its static and button controls. The
// pages are child dialogs and need a parent.
std::vector<WString> DialogTexts(HMODULE module, int dialog, HWND parent) {
    std::vector<WString> texts;
    HWND window = CreateDialogParamW(module, MAKEINTRESOURCEW(dialog), parent, IdleDialog, 0);
    if (window == nullptr) {
        ADD_FAILURE() << "dialog " << dialog << " cannot be created: " << GetLastError();
        return texts;
    }
    auto take = [&texts](HWND w) {
        wchar_t text[512] = {};
        GetWindowTextW(w, text, 512);
        texts.push_back(platform::FromWide(text));
    };
    take(window);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        if (_wcsicmp(className, L"Static") == 0 || _wcsicmp(className, L"Button") == 0)
            take(child);
    }
    DestroyWindow(window);
    return texts;
}

bool HasLetter(const WString& text) {
    for (const char16_t c : text) {
        if (std::iswalpha(static_cast<wint_t>(c)))
            return true;
    }
    return false;
}

TEST(RenovoResources, StringTableHoldsTheEnglishStrings) {
    ProgramResources program;
    ASSERT_NE(program.Module(), nullptr) << "QO_RENOVO_EXE does not name a loadable program";
    const ModuleStrings strings(program.Module());
    size_t count = 0;
    for (unsigned id = 1; id < 1024; ++id) {
        WString fromProgram, english;
        const bool inProgram = strings.Load(id, fromProgram);
        const bool inTable = EnglishStrings().Load(id, english);
        EXPECT_EQ(inProgram, inTable) << "string " << id;
        if (inProgram && inTable) {
            ++count;
            EXPECT_EQ(fromProgram, english) << "string " << id;
        }
    }
    EXPECT_EQ(count, 39u);
}

TEST(RenovoResources, DialogTextsHaveGermanTranslations) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    ProgramResources program;
    ASSERT_NE(program.Module(), nullptr);
    const std::string bytes =
        qo::test::ReadFileBytes(qo::test::SourceFile({u"langfile", u"po", u"de.po"}));
    langfile::Catalog catalog;
    ASSERT_TRUE(langfile::ReadPo(bytes, catalog).ok);

    HWND parent = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    std::set<WString> seen;
    for (const int dialog :
         {IDD_MAIN_WINDOW, IDD_PAGE_OPTIONS, IDD_PAGE_VERSIONS, IDD_PAGE_ABOUT}) {
        const HWND owner = dialog == IDD_MAIN_WINDOW ? nullptr : parent;
        for (const WString& text : DialogTexts(program.Module(), dialog, owner)) {
            if (!HasLetter(text) || !seen.insert(text).second)
                continue;
            const auto found = catalog.find(text);
            if (found == catalog.end()) {
                ADD_FAILURE() << "dialog " << dialog << ": \"" << platform::ToUtf8(text)
                              << "\" has no German translation";
                continue;
            }
            EXPECT_TRUE(PlaceholdersAgree(found->second, text)) << platform::ToUtf8(text);
        }
    }
    // The templates' own texts, besides the captions and labels.
    for (const char16_t* text : {u"Automatic update for %s v.%s", u"Download and install %s file",
                                 u"&Update Now", u"Show all OS", u"%s v. %s"}) {
        EXPECT_EQ(seen.count(text), 1u) << platform::ToUtf8(text);
    }
    DestroyWindow(parent);
}

}  // namespace
}  // namespace updater

#include "updater/support/lang_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

#include "platform/files.h"
#include "platform/registry.h"
#include "testsupport/scratch_folder.h"
#include "updater/support/lang_file_search.h"

namespace updater {
namespace {

using platform::WString;
using qo::test::WriteFileBytes;

#ifdef _WIN32
constexpr char16_t kPartialLibrary[] = u"langfile_partial.dll";
#else
constexpr char16_t kPartialLibrary[] = u"liblangfile_partial.so";
#endif

std::string Unique() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::to_string(stamp) + "-" + std::to_string(std::random_device{}());
}

// The libraries are built in the langfile folder of the same build tree.
WString BuiltLibrary(const WString& name) {
    const WString build = platform::ParentFolder(platform::ParentFolder(platform::ProgramFolder()));
    return platform::JoinPath(platform::JoinPath(build, u"langfile"), name);
}

std::string Entry(const std::string& id, const std::string& str) {
    return "msgid \"" + id + "\"\nmsgstr \"" + str + "\"\n\n";
}

// A private program folder "<temp>/<unique>/app" holding the program's
// (pretended) file; the registry points at private files on Linux and is the
// Wine prefix's own on Windows, where each test uses its own product name.
class LangFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string unique = Unique();
        root_ = scratch_.Path();
        app_ = platform::JoinPath(root_, u"app");
        ASSERT_TRUE(platform::CreateFolders(app_));
        module_ = platform::FromUtf8("LangTest-" + unique);
        program_ = platform::JoinPath(app_, module_ + u".exe");
#ifndef _WIN32
        platform::SetRegistryFilePath(platform::Hive::CurrentUser,
                                      platform::ToUtf8(root_) + "/user.reg");
        platform::SetRegistryFilePath(platform::Hive::LocalMachine,
                                      platform::ToUtf8(root_) + "/machine.reg");
#endif
    }
    void TearDown() override {
        for (const WString& name : written_) {
            for (auto hive : {platform::Hive::CurrentUser, platform::Hive::LocalMachine}) {
                platform::RegistryKey key;
                if (key.Open(hive, u"SOFTWARE\\Korvane\\" + name, platform::kKeyWrite) == 0)
                    key.SetString(u"TranslationFolder", u"");
            }
        }
#ifndef _WIN32
        platform::SetRegistryFilePath(platform::Hive::CurrentUser, "");
        platform::SetRegistryFilePath(platform::Hive::LocalMachine, "");
#endif
    }

    void SetFolder(platform::Hive hive, const WString& name, const WString& folder) {
        platform::RegistryKey key;
        ASSERT_EQ(key.Create(hive, u"SOFTWARE\\Korvane\\" + name, platform::kKeyWrite), 0);
        ASSERT_EQ(key.SetString(u"TranslationFolder", folder), 0);
        written_.push_back(name);
    }
    WString Folder(const char16_t* name) {
        const WString folder = platform::JoinPath(root_, name);
        EXPECT_TRUE(platform::CreateFolders(folder));
        return folder;
    }
    void InstallLibrary(const WString& folder) {
        ASSERT_TRUE(platform::CopyOneFile(BuiltLibrary(cLangFile::kLibraryName),
                                          platform::JoinPath(folder, cLangFile::kLibraryName)));
    }
    WString Language(const char16_t* name, const std::string& entries) {
        const WString path = platform::JoinPath(root_, name);
        WriteFileBytes(
            path,
            "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n" + entries);
        return path;
    }

    qo::test::ScratchFolder scratch_{u"qo-lang"};
    WString root_, app_, module_, program_;
    std::vector<WString> written_;
};

TEST_F(LangFileTest, BindsAllEntryPointsOrNone) {
    const WString beside = platform::JoinPath(app_, u"langfile.txt");
    WriteFileBytes(beside, Entry("Daily", "Täglich") + Entry("RightToLeft", "TRUE"));
    {
        // No library: English texts, left-to-right, nothing active.
        cLangFile lang;
        EXPECT_FALSE(lang.Start(program_));
        EXPECT_FALSE(lang.IsBound());
        EXPECT_EQ(cLangFile::Registered(), &lang);
        EXPECT_EQ(lang.Translate("Daily"), u"Daily");
        EXPECT_EQ(lang.MessageBoxStyle(0x10), 0x10u);
        EXPECT_EQ(lang.TranslateDialog(nullptr, true), -1);
        EXPECT_EQ(lang.LocaleNumber(), 0);
    }
    EXPECT_EQ(cLangFile::Registered(), nullptr);
    // A library lacking one entry point is not bound at all.
    ASSERT_TRUE(platform::CopyOneFile(BuiltLibrary(kPartialLibrary),
                                      platform::JoinPath(app_, cLangFile::kLibraryName)));
    cLangFile partial;
    EXPECT_FALSE(partial.Bind(app_));
    EXPECT_FALSE(partial.IsBound());
    EXPECT_FALSE(partial.LoadLanguage(beside));
    ASSERT_TRUE(platform::DeleteOneFile(platform::JoinPath(app_, cLangFile::kLibraryName)));
    // The real library in the folder above the program's is found there.
    InstallLibrary(root_);
    cLangFile lang;
    EXPECT_TRUE(lang.Start(program_));
    EXPECT_EQ(lang.LanguageFilePath(), beside);
    EXPECT_EQ(lang.Translate("Daily"), u"T\u00e4glich");
}

TEST_F(LangFileTest, FindsTheLanguageFileThroughTheRegistry) {
    using platform::Hive;
    const WString user = Folder(u"user"), machine = Folder(u"machine");
    const WString beside = platform::JoinPath(app_, u"langfile.txt");
    const WString named = platform::JoinPath(user, module_ + u".exe.txt");
    WriteFileBytes(beside, "");
    WriteFileBytes(platform::JoinPath(user, u"langfile.txt"), "");
    WriteFileBytes(platform::JoinPath(machine, u"langfile.txt"), "");
    // Nothing registered: the file beside the program.
    EXPECT_EQ(FindLanguageFile(program_), beside);
    // An empty machine value is ignored; a machine folder is used.
    SetFolder(Hive::LocalMachine, module_, u"");
    EXPECT_EQ(FindLanguageFile(program_), beside);
    SetFolder(Hive::LocalMachine, module_, machine);
    EXPECT_EQ(FindLanguageFile(program_), platform::JoinPath(machine, u"langfile.txt"));
    // The user's folder wins, and "<program file>.txt" before "langfile.txt".
    SetFolder(Hive::CurrentUser, module_, user + platform::kPathSeparator);
    EXPECT_EQ(FindLanguageFile(program_), platform::JoinPath(user, u"langfile.txt"));
    WriteFileBytes(named, "");
    EXPECT_EQ(FindLanguageFile(program_), named);
    // An empty user value means no language, not even the file beside the program.
    SetFolder(Hive::CurrentUser, module_, u"");
    EXPECT_EQ(FindLanguageFile(program_), u"");
    // A registered folder without a language file falls back to the program's folder.
    SetFolder(Hive::CurrentUser, module_, Folder(u"empty"));
    EXPECT_EQ(FindLanguageFile(program_), beside);
}

TEST_F(LangFileTest, FallsBackToTheSiblingProductNames) {
    const WString folder = Folder(u"sibling");
    WriteFileBytes(platform::JoinPath(folder, u"langfile.txt"), "x");
    SetFolder(platform::Hive::LocalMachine, u"Quelix", folder);
    EXPECT_EQ(FindLanguageFile(program_), platform::JoinPath(folder, u"langfile.txt"));
    // A program named after the first sibling does not look at the siblings.
    EXPECT_EQ(FindLanguageFile(platform::JoinPath(app_, u"Quelix Omnisweep Tool.exe")), u"");
}

TEST_F(LangFileTest, TranslatesWithTheGermanFile) {
    InstallLibrary(app_);
    const WString german = platform::JoinPath(Folder(u"de"), u"langfile.txt");
    ASSERT_TRUE(
        platform::CopyOneFile(qo::test::SourceFile({u"langfile", u"po", u"de.po"}), german));
    SetFolder(platform::Hive::CurrentUser, module_, platform::ParentFolder(german));
    cLangFile lang;
    ASSERT_TRUE(lang.Start(program_));
    EXPECT_FALSE(lang.RightToLeft());
    EXPECT_EQ(lang.LocaleNumber(), 0x407);
    EXPECT_EQ(lang.Translate("From:"), u"Von:");
    EXPECT_EQ(lang.Translate("Weeks"), u"Wochen");
    EXPECT_EQ(lang.Translate("Not in the file"), u"Not in the file");
    // An empty view translates nothing, whatever follows it in its buffer.
    const std::string_view weeks = "Weeks";
    EXPECT_EQ(lang.Translate(weeks.substr(0, 0)), u"");

    char16_t out[64];
    bool found = true;
    EXPECT_EQ(lang.TranslateKey(out, 64, "Unheard", 0, &found), 7);
    EXPECT_FALSE(found);
    EXPECT_EQ(WString(out), u"Unheard");
    EXPECT_EQ(lang.TranslateKey(out, 64, "Daily and more", 5, &found), 7);
    EXPECT_TRUE(found);
    EXPECT_EQ(WString(out), u"T\u00e4glich");
    // Cut to the buffer, always terminated.
    EXPECT_EQ(lang.TranslateKey(out, 4, "Daily", 0), 3);
    EXPECT_EQ(WString(out), u"T\u00e4g");

    StringTable strings;
    strings.Add(126, u"%s ( %s of %s copied )");
    strings.Add(999, u"Only English");
    EXPECT_EQ(lang.LoadString(&strings, 126, out, 64), 24);
    EXPECT_EQ(WString(out), u"%s ( %s von %s kopiert )");
    EXPECT_GT(lang.LoadString(&strings, 126, out, 64, false), 0);
    EXPECT_EQ(WString(out), u"%s ( %s of %s copied )");
    lang.LoadString(&strings, 999, out, 64);
    EXPECT_EQ(WString(out), u"Only English");
    EXPECT_EQ(lang.LoadString(&strings, 5, out, 64), 0);
    EXPECT_EQ(WString(out), u"");
    lang.LoadString(nullptr, 126, out, 64);
    EXPECT_EQ(WString(out), u"Resource Instance is not initialized");
}

TEST_F(LangFileTest, RefusesTranslationsThatChangeTheArguments) {
    InstallLibrary(app_);
    cLangFile lang;
    ASSERT_TRUE(lang.Bind(app_));
    ASSERT_TRUE(lang.LoadLanguage(
        Language(u"bad.po", Entry("%s ( %s of %s copied )", "%s ( %s kopiert )") +
                                Entry("%1 %2", "%2 %1") + Entry("Done", "Fertig %s") +
                                Entry("50%", "%d Prozent") + Entry("%s v. %s", "%s v. %d"))));
    char16_t out[64];
    bool found = true;
    lang.TranslateKey(out, 64, "%s ( %s of %s copied )", 0, &found, true);
    EXPECT_EQ(WString(out), u"%s ( %s of %s copied )");
    EXPECT_FALSE(found);
    EXPECT_EQ(lang.Translate("%1 %2"), u"%2 %1");
    // Every path refuses a translation that reads other arguments, also the
    // literal path and calls that ask for no placeholder check.
    EXPECT_EQ(lang.Translate("Done"), u"Done");
    EXPECT_EQ(lang.Translate("50%"), u"50%");
    lang.TranslateKey(out, 64, "%s v. %s", 0, nullptr, false);
    EXPECT_EQ(WString(out), u"%s v. %s");
    lang.TranslateKey(out, 64, "%s v. %s", 0, &found, false);
    EXPECT_EQ(WString(out), u"%s v. %s");
    EXPECT_FALSE(found);
    // A translation cut by a small buffer is checked as cut.
    EXPECT_EQ(lang.TranslateKey(out, 3, "%1 %2", 0), 2);
    EXPECT_EQ(WString(out), u"%1");
}

TEST_F(LangFileTest, ReadsDirectionAndLocaleNumber) {
    InstallLibrary(app_);
    cLangFile lang;
    ASSERT_TRUE(lang.Bind(app_));
    ASSERT_TRUE(lang.LoadLanguage(Language(
        u"he.po", Entry("RightToLeft", "true") + Entry("LANGUAGE_LOCALE_NUMBER", "0x419"))));
    EXPECT_TRUE(lang.RightToLeft());
    EXPECT_TRUE(ProcessLayoutIsRightToLeft());
    EXPECT_EQ(lang.MessageBoxStyle(0x10), 0x180010u);
    EXPECT_EQ(lang.LocaleNumber(), 1049);

    ASSERT_TRUE(lang.LoadLanguage(Language(u"ar.po", Entry("RightToLeft", "no") +
                                                         Entry("LANGUAGE_READ_START", "RIGHT") +
                                                         Entry("LANGUAGE_LOCALE_NUMBER", "1049"))));
    EXPECT_TRUE(lang.RightToLeft());
    EXPECT_EQ(lang.LocaleNumber(), 1049);

    // A broken or missing file after a right-to-left language: no language,
    // and new windows read left-to-right again.
    EXPECT_FALSE(lang.LoadLanguage(Language(u"broken.po", "msgid \"a\"\nmsgstr \"b")));
    EXPECT_FALSE(lang.IsActive());
    EXPECT_FALSE(lang.RightToLeft());
    EXPECT_FALSE(ProcessLayoutIsRightToLeft());
    EXPECT_EQ(lang.MessageBoxStyle(0x10), 0x10u);
    const WString empty = platform::JoinPath(root_, u"empty.po");
    WriteFileBytes(empty, "");
    EXPECT_FALSE(lang.LoadLanguage(empty));
    EXPECT_FALSE(lang.LoadLanguage(u""));
    EXPECT_FALSE(lang.LoadLanguage(platform::JoinPath(root_, u"missing.po")));

    ASSERT_TRUE(lang.LoadLanguage(Language(u"ltr.po", Entry("LANGUAGE_READ_START", "Left"))));
    EXPECT_FALSE(lang.RightToLeft());
    EXPECT_EQ(lang.LocaleNumber(), 0);

    EXPECT_EQ(ParseLocaleNumber(u"=\"0x419\""), 1049);
    EXPECT_EQ(ParseLocaleNumber(u"=\"1049\""), 1049);
    EXPECT_EQ(ParseLocaleNumber(u" 1049 trailing"), 1049);
    EXPECT_EQ(ParseLocaleNumber(u"0xZZ"), 0);
    EXPECT_EQ(ParseLocaleNumber(u"Russian"), 0);
    EXPECT_EQ(ParseLocaleNumber(u"99999999999999999999"), 0);
}

}  // namespace
}  // namespace updater

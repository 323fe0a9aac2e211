#include "wizard/settings/wizard_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/testing/utf16_bytes.h"
#include "qo_version.h"
#include "testsupport/scratch_folder.h"

namespace wizard {
#ifdef _WIN32
bool DeleteSettingsKeyForTest();  // win32/delete_settings_key.cpp
#endif
namespace {

namespace fs = std::filesystem;
using platform::WString;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kAccess = platform::kKeyRead | platform::kKeyWrite;

Bytes Utf16(platform::WStringView text, bool withNul = true) {
    return platform::testing::Utf16Bytes(text, withNul);
}

// Works on the real settings key: on Linux the user hive points at a private
// file; under Wine it is the registry of the build's private prefix, where the
// key is deleted before and after each test.
class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(root_ / "schemes");
        fs::create_directories(root_ / "docs");
        fs::create_directories(root_ / "program");
#ifndef _WIN32
        platform::SetRegistryFilePath(platform::Hive::CurrentUser, (root_ / "user.reg").string());
#endif
        ClearStore();
        WriteScheme("ece.sch", "[7-pass US DoD 5220-22M(ECE)]\n1. random verify\n2. random\n");
        WriteScheme("e.sch", "[3-pass US DoD 5220-22M(E)]\n1. random\n2. complement\n");
        WriteScheme("random.sch", "[1-pass random]\n1. random\n");
        WriteScheme("user.sch", "1. zero\n2. test\n");
        WriteScheme("zero.sch", "[1-pass zero fill]\n1. zero\n");
    }

    void TearDown() override {
        ClearStore();
#ifndef _WIN32
        platform::SetRegistryFilePath(platform::Hive::CurrentUser, "");
#endif
    }

    void ClearStore() {
#ifdef _WIN32
        ASSERT_TRUE(DeleteSettingsKeyForTest());
#else
        std::error_code ignored;
        fs::remove(root_ / "user.reg", ignored);
#endif
    }

    void WriteScheme(const std::string& name, const std::string& text) {
        qo::test::WriteFileBytes((root_ / "schemes" / name).u16string(), text);
    }

    SettingsEnvironment Env() const {
        return {(root_ / "schemes").u16string(), (root_ / "docs").u16string(),
                (root_ / "program").u16string()};
    }

    platform::RegistryKey Key() const {
        platform::RegistryKey key;
        EXPECT_EQ(key.Create(platform::Hive::CurrentUser, kSettingsKeyPath, kAccess), 0);
        return key;
    }
    void SetDword(const WString& name, uint32_t value) {
        Key().SetDword(name, value);
    }
    void SetRaw(const WString& name, uint32_t type, const Bytes& data) {
        Key().Set(name, type, data.data(), static_cast<uint32_t>(data.size()));
    }
    // The stored value with its type; type kRegNone and no bytes when absent.
    std::pair<uint32_t, Bytes> Stored(const WString& name) const {
        uint32_t type = 0;
        Bytes data;
        if (Key().QueryBytes(name, type, data) != 0)
            return {platform::kRegNone, {}};
        return {type, data};
    }
    WString DefaultIso() const {
        return platform::JoinPath(Env().DocumentsFolder, u"quelixcd.iso");
    }

    qo::test::ScratchFolder scratch_{u"qo-settings"};
    fs::path root_{scratch_.Path()};
};

TEST_F(SettingsTest, FirstRunGivesTheRecommendedChoices) {
    WizardSettings s(Env());
    ASSERT_EQ(s.Schemes.size(), 5u);
    // Picked at construction, before anything is loaded.
    EXPECT_EQ(s.Schemes[static_cast<size_t>(s.SchemeHdd)].FileName, u"ece.sch");
    s.VerifySsd = s.ResetHPA = s.ResetDCO = 1;
    s.AtaErase = 0;
    s.SchemeHdd = 4;
    s.LoadSettings();
    EXPECT_EQ(s.AutoStart, 1);
    EXPECT_EQ(s.UseDefaultSetings, 1);
    EXPECT_EQ(s.ChooseUsb, 1);
    EXPECT_EQ(s.IsoShowFolder, 1);
    EXPECT_EQ(s.AtaErase, 1);
    EXPECT_EQ(s.VerifySsd + s.ResetHPA + s.ResetDCO + s.NoDelay + s.WriteLog + s.NetLog, 0);
    EXPECT_EQ(s.SchemeOf(DriveClass::Hdd)->DisplayName, u"7-pass US DoD 5220-22M(ECE)");
    EXPECT_EQ(s.SchemeOf(DriveClass::Ssd)->DisplayName, u"3-pass US DoD 5220-22M(E)");
    EXPECT_EQ(s.SchemeOf(DriveClass::Hybrid)->DisplayName, u"3-pass US DoD 5220-22M(E)");
    EXPECT_EQ(s.SchemeOf(DriveClass::Removables)->DisplayName, u"1-pass random");
    EXPECT_EQ(s.IsoPath, DefaultIso());
    EXPECT_EQ(s.BuildResult, 1);
    // Loading writes nothing.
    EXPECT_EQ(Stored(u"AutoStart").first, platform::kRegNone);
    // From the version resource on Windows, compiled in on Linux: the same text.
    EXPECT_EQ(s.ProductVersion, QO_VERSION_TEXT);

    // Without a documents folder the image goes beside the program.
    SettingsEnvironment env = Env();
    env.DocumentsFolder.clear();
    WizardSettings noDocs(env);
    noDocs.LoadSettings();
    EXPECT_EQ(noDocs.IsoPath, platform::JoinPath(env.ProgramFolder, u"quelixcd.iso"));

    // No scheme folder: an empty catalogue and indices that stay 0.
    env.SchemesFolder += u"-missing";
    WizardSettings none(env);
    SetDword(u"SchemeSsd", 2);
    none.LoadSettings();
    EXPECT_TRUE(none.Schemes.empty());
    EXPECT_EQ(none.SchemeHdd + none.SchemeSsd + none.SchemeRemovables + none.SchemeHybrid, 0);
    EXPECT_EQ(none.SchemeOf(DriveClass::Ssd), nullptr);
}

TEST_F(SettingsTest, SavedChoicesLoadBackAndNothingElseIsStored) {
    WizardSettings s(Env());
    s.AutoStart = 0;
    s.UseDefaultSetings = 0;
    s.NoDelay = 7;  // any nonzero flag is written as 1
    s.NetLog = 1;
    s.VerifyHybrid = 1;
    s.ResetDCO = 1;
    s.AtaErase = 0;
    s.ChooseUsb = 0;
    s.SchemeHdd = 3;
    s.SchemeSsd = 4;
    s.SchemeRemovables = 9;  // out of range: saved as 0
    s.SchemeHybrid = 1;
    s.IsoPath = platform::JoinPath(Env().DocumentsFolder, u"out.iso");
    s.NetShare = u"\\\\server\\share\\logs";
    s.NetUser = u"DOMAIN\\wiper";
    s.NetPassword = u"pa55-secret";
    s.LockPreset = s.SelectedUsbDisk = s.WindowX = s.WindowY = 1;
    s.SaveSettings();

    EXPECT_EQ(s.SchemeRemovables, 0);
    EXPECT_EQ(Stored(u"NoDelay"), (std::pair<uint32_t, Bytes>{platform::kRegDword, {1, 0, 0, 0}}));
    EXPECT_EQ(Stored(u"SchemeSsd"),
              (std::pair<uint32_t, Bytes>{platform::kRegDword, {4, 0, 0, 0}}));
    EXPECT_EQ(Stored(u"NetUser"), (std::pair<uint32_t, Bytes>{platform::kRegSz, Utf16(s.NetUser)}));
    EXPECT_EQ(Stored(u"IsoPath").second, Utf16(*s.IsoPath));
    for (const WString name : {u"NetPassword", u"LockPreset", u"SelectedUsbDisk", u"WindowX"}) {
        EXPECT_EQ(Stored(name).first, platform::kRegNone) << platform::ToUtf8(name);
    }
#ifndef _WIN32
    const std::string store = qo::test::ReadFileBytes((root_ / "user.reg").u16string());
    EXPECT_EQ(store.find("pa55-secret"), std::string::npos);
#endif

    WizardSettings t(Env());
    t.NetPassword = u"typed before";
    t.LoadSettings();
    EXPECT_EQ(t.AutoStart, 0);
    EXPECT_EQ(t.UseDefaultSetings, 0);
    EXPECT_EQ(t.NoDelay, 1);
    EXPECT_EQ(t.NetLog, 1);
    EXPECT_EQ(t.WriteLog, 0);
    EXPECT_EQ(t.VerifyHybrid, 1);
    EXPECT_EQ(t.VerifyHdd, 0);
    EXPECT_EQ(t.ResetDCO, 1);
    EXPECT_EQ(t.AtaErase, 0);
    EXPECT_EQ(t.ChooseUsb, 0);
    EXPECT_EQ(t.SchemeHdd, 3);
    EXPECT_EQ(t.SchemeSsd, 4);
    EXPECT_EQ(t.SchemeRemovables, 0);
    EXPECT_EQ(t.SchemeHybrid, 1);
    EXPECT_EQ(t.IsoPath, s.IsoPath);  // its folder exists, the file does not
    EXPECT_EQ(t.NetShare, s.NetShare);
    EXPECT_EQ(t.NetUser, s.NetUser);
    EXPECT_TRUE(t.NetPassword.empty());
    EXPECT_EQ(t.LockPreset, 0);
}

TEST_F(SettingsTest, SchemeIndicesOutOfRangeMissingAndMistyped) {
    WizardSettings s(Env());
    // SchemeHdd missing, the others stored: 3 for the missing one.
    SetDword(u"SchemeSsd", 7);                               // catalogue of 5: becomes 0
    SetDword(u"SchemeRemovables", 0xFFFFFFFFu);              // -1: becomes 0
    SetRaw(u"SchemeHybrid", platform::kRegSz, Utf16(u"2"));  // mistyped: 3
    s.LoadSettings();
    EXPECT_EQ(s.SchemeHdd, 3);
    EXPECT_EQ(s.SchemeSsd, 0);
    EXPECT_EQ(s.SchemeRemovables, 0);
    EXPECT_EQ(s.SchemeHybrid, 3);

    // With fewer than 4 schemes a missing index also ends at 0.
    fs::remove(root_ / "schemes" / "zero.sch");
    fs::remove(root_ / "schemes" / "user.sch");
    s.LoadSettings();
    EXPECT_EQ(s.Schemes.size(), 3u);
    EXPECT_EQ(s.SchemeHdd + s.SchemeSsd + s.SchemeRemovables + s.SchemeHybrid, 0);

    // Four stored zeros read as "nothing chosen": the recommended picks apply.
    for (const WString name : {u"SchemeHdd", u"SchemeSsd", u"SchemeRemovables", u"SchemeHybrid"})
        SetDword(name, 0);
    s.LoadSettings();
    EXPECT_EQ(s.SchemeOf(DriveClass::Removables)->DisplayName, u"1-pass random");

    // Mistyped flags are ignored; nonzero DWORDs read as 1.
    SetRaw(u"AutoStart", platform::kRegSz, Utf16(u"0"));
    SetRaw(u"ChooseUsb", platform::kRegBinary, {0, 0, 0, 0});
    SetRaw(u"IsoShowFolder", platform::kRegDword, {0, 0});
    SetDword(u"WriteLog", 0x100);
    s.LoadSettings();
    EXPECT_EQ(s.AutoStart, 1);
    EXPECT_EQ(s.ChooseUsb, 1);
    EXPECT_EQ(s.IsoShowFolder, 1);
    EXPECT_EQ(s.WriteLog, 1);
}

TEST_F(SettingsTest, IsoPathRules) {
    WizardSettings s(Env());
    const WString docs = Env().DocumentsFolder;
    const auto loadIso = [&](uint32_t type, const Bytes& data) {
        SetRaw(u"IsoPath", type, data);
        s.IsoPath.reset();
        s.LoadSettings();
        return s.IsoPath.value_or(u"<null>");
    };
    const WString kept = platform::JoinPath(docs, u"kept.iso");
    EXPECT_EQ(loadIso(platform::kRegSz, Utf16(kept)), kept);
    EXPECT_EQ(loadIso(platform::kRegExpandSz, Utf16(kept)), kept);
    // An existing folder named as the image is kept as well.
    EXPECT_EQ(loadIso(platform::kRegSz, Utf16(docs)), docs);
    // Folder gone, odd length, no terminator, wrong type: the default path.
    const WString gone = platform::JoinPath(docs + u"-gone", u"x.iso");
    EXPECT_EQ(loadIso(platform::kRegSz, Utf16(gone)), DefaultIso());
    Bytes odd = Utf16(kept);
    odd.push_back(0);
    EXPECT_EQ(loadIso(platform::kRegSz, odd), DefaultIso());
    EXPECT_EQ(loadIso(platform::kRegSz, Utf16(kept, false)), DefaultIso());
    EXPECT_EQ(loadIso(platform::kRegDword, {1, 2, 3, 4}), DefaultIso());
    EXPECT_EQ(loadIso(platform::kRegSz, Utf16(u"")), DefaultIso());
    EXPECT_EQ(loadIso(platform::kRegSz, Utf16(u"nofolder.iso")), DefaultIso());
    // 259 characters fit the buffer, 260 do not.
    const WString prefix = docs + platform::WString(1, platform::kPathSeparator);
    ASSERT_LT(prefix.size(), 250u);
    const WString fits = prefix + WString(259 - prefix.size(), u'a');
    EXPECT_EQ(loadIso(platform::kRegSz, Utf16(fits)), fits);
    EXPECT_EQ(loadIso(platform::kRegSz, Utf16(fits + u"a")), DefaultIso());

    // Paths of 3 characters or fewer, and no path, are never written.
    SetRaw(u"IsoPath", platform::kRegSz, Utf16(kept));
    for (const std::optional<WString>& path :
         {std::optional<WString>(u"C:\\"), std::optional<WString>(u""), std::optional<WString>()}) {
        s.IsoPath = path;
        s.SaveSettings();
        EXPECT_EQ(Stored(u"IsoPath").second, Utf16(kept));
    }
    s.IsoPath = u"D:\\a";
    s.SaveSettings();
    EXPECT_EQ(Stored(u"IsoPath").second, Utf16(u"D:\\a"));
}

TEST_F(SettingsTest, EmptyStringsAreNeverWrittenAndMissingOnesLoadEmpty) {
    WizardSettings s(Env());
    s.NetShare = u"\\\\old\\share";
    s.NetUser = u"olduser";
    s.SaveSettings();
    // The share is cleared on the logging page, then the wipe settings page is left again.
    s.NetShare.clear();
    s.NetUser.clear();
    s.SaveSettings();
    EXPECT_EQ(Stored(u"NetShare").second, Utf16(u"\\\\old\\share"));
    EXPECT_EQ(Stored(u"NetUser").second, Utf16(u"olduser"));
    s.LoadSettings();
    EXPECT_EQ(s.NetShare, u"\\\\old\\share");

    // A value that is missing or unusable empties the field on load.
    SetRaw(u"NetShare", platform::kRegBinary, Utf16(u"\\\\x\\y"));
    SetRaw(u"NetUser", platform::kRegSz, Utf16(WString(260, u'u')));
    s.LoadSettings();
    EXPECT_TRUE(s.NetShare.empty());
    EXPECT_TRUE(s.NetUser.empty());
    // An embedded NUL ends the text, as a C string would.
    SetRaw(u"NetUser", platform::kRegSz, Utf16(WString(u"ab\0cd", 5)));
    s.LoadSettings();
    EXPECT_EQ(s.NetUser, u"ab");
}

TEST(ProductVersionText, CutTo31Characters) {
    EXPECT_EQ(CutProductVersion("1.0.0.0"), "1.0.0.0");
    EXPECT_EQ(CutProductVersion(std::string(40, '9')), std::string(31, '9'));
    EXPECT_EQ(WizardSettings().ProductVersion, "<Not defined>");
}

}  // namespace
}  // namespace wizard

#include "platform/registry.h"
#include "platform/testing/utf16_bytes.h"
#include "testsupport/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace platform {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kReadWrite = kKeyRead | kKeyWrite;

Bytes Utf16(WStringView text, bool withNul = true) {
    return testing::Utf16Bytes(text, withNul);
}

std::string UniqueSuffix() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto stamp = std::chrono::system_clock::now().time_since_epoch().count();
    return std::string(info->name()) + "-" + std::to_string(stamp) + "-" +
           std::to_string(std::random_device{}());
}

// Every test works below its own key. On Windows that is the real registry of
// the build's private Wine prefix; on Linux both hives point at files in a
// private folder.
class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string suffix = UniqueSuffix();
        base_ = u"Software\\Korvane\\Test\\" + FromUtf8(suffix);
#ifndef _WIN32
        SetRegistryFilePath(Hive::CurrentUser, UserFile());
        SetRegistryFilePath(Hive::LocalMachine, (folder_ / "machine.reg").string());
#endif
    }

    void TearDown() override {
#ifndef _WIN32
        SetRegistryFilePath(Hive::CurrentUser, "");
        SetRegistryFilePath(Hive::LocalMachine, "");
        std::error_code ignored;
        fs::permissions(folder_, fs::perms::owner_all, ignored);  // the scratch folder removes it
#endif
    }

    WString Path(WStringView sub) const {
        return sub.empty() ? base_ : base_ + u"\\" + WString(sub);
    }

    Bytes Read(const RegistryKey& key, WStringView name, uint32_t expectedType) const {
        uint32_t type = kRegNone;
        Bytes data;
        EXPECT_EQ(key.QueryBytes(name, type, data), kErrorSuccess) << ToUtf8(name);
        EXPECT_EQ(type, expectedType) << ToUtf8(name);
        return data;
    }

#ifndef _WIN32
    std::string UserFile() const {
        return (folder_ / "user.reg").string();
    }
    qo::test::ScratchFolder scratch_{u"qo-registry"};
    fs::path folder_{scratch_.Path()};
#endif
    WString base_;
};

struct Sample {
    WString name;
    uint32_t type;
    Bytes data;
};

std::vector<Sample> EveryKindOfValue() {
    Bytes blob(300);
    for (size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<uint8_t>(i * 7);
    return {
        {u"Count", kRegDword, {0x2a, 0, 0, 0}},
        {u"Name", kRegSz, Utf16(u"Quelix \u00e9\U0001F600")},
        {u"Path", kRegExpandSz, Utf16(u"%ProgramFiles%\\Korvane")},
        {u"Blob", kRegBinary, blob},
        {u"Empty", kRegBinary, {}},
        {u"", kRegSz, Utf16(u"the default value")},
        // Kept as given, though not what the type suggests.
        {u"NoNul", kRegSz, Utf16(u"ab", false)},
        {u"OddSz", kRegSz, {0x41, 0x00, 0x42}},
        {u"InnerNul", kRegSz, Utf16(WString(u"a\0b", 3))},
        {u"Lines", kRegSz, Utf16(u"one\r\ntwo")},
        {u"ShortDword", kRegDword, {1, 2, 3}},
        {u"Qword", 11, {1, 2, 3, 4, 5, 6, 7, 8}},
        {u"Multi", 7, Utf16(WString(u"a\0bc\0\0", 6), false)},
    };
}

TEST_F(RegistryTest, RoundTripsEveryTypeByteForByte) {
    RegistryKey writer;
    ASSERT_EQ(writer.Create(Hive::CurrentUser, base_, kReadWrite), kErrorSuccess);
    ASSERT_TRUE(writer.IsOpen());
    for (const Sample& s : EveryKindOfValue()) {
        ASSERT_EQ(writer.Set(s.name, s.type, s.data.data(), static_cast<uint32_t>(s.data.size())),
                  kErrorSuccess)
            << ToUtf8(s.name);
    }
    RegistryKey reader;
    ASSERT_EQ(reader.Open(Hive::CurrentUser, base_, kKeyRead), kErrorSuccess);
    for (const Sample& s : EveryKindOfValue()) {
        EXPECT_EQ(Read(reader, s.name, s.type), s.data) << ToUtf8(s.name);
    }

    // The conveniences: REG_SZ byte counts include the NUL, as on Windows.
    ASSERT_EQ(writer.SetString(u"Str", u"abc"), kErrorSuccess);
    ASSERT_EQ(writer.SetString(u"Exp", u"%TEMP%", kRegExpandSz), kErrorSuccess);
    ASSERT_EQ(writer.SetString(u"None", u""), kErrorSuccess);
    ASSERT_EQ(writer.SetDword(u"Dw", 0xDEADBEEF), kErrorSuccess);
    EXPECT_EQ(Read(reader, u"Str", kRegSz), Utf16(u"abc"));
    EXPECT_EQ(Read(reader, u"Str", kRegSz).size(), 8u);
    EXPECT_EQ(Read(reader, u"Exp", kRegExpandSz), Utf16(u"%TEMP%"));
    EXPECT_EQ(Read(reader, u"None", kRegSz), Bytes({0, 0}));
    uint32_t dword = 0;
    EXPECT_EQ(reader.QueryDword(u"Dw", dword), kErrorSuccess);
    EXPECT_EQ(dword, 0xDEADBEEFu);
    EXPECT_EQ(Read(reader, u"Dw", kRegDword), Bytes({0xEF, 0xBE, 0xAD, 0xDE}));

    // Writing again replaces value and type.
    ASSERT_EQ(writer.SetString(u"Dw", u"now text"), kErrorSuccess);
    EXPECT_EQ(Read(reader, u"Dw", kRegSz), Utf16(u"now text"));
    EXPECT_EQ(writer.SetString(u"Bad", u"x", kRegBinary), kErrorInvalidParameter);
    EXPECT_EQ(writer.Set(u"Bad", kRegBinary, nullptr, 4), kErrorInvalidParameter);
}

TEST_F(RegistryTest, QueryFollowsRegQueryValueEx) {
    RegistryKey key;
    ASSERT_EQ(key.Create(Hive::CurrentUser, base_, kReadWrite), kErrorSuccess);
    ASSERT_EQ(key.SetString(u"Text", u"abc"), kErrorSuccess);

    // No buffer: the byte count and type.
    uint32_t type = 99;
    uint32_t size = 0;
    EXPECT_EQ(key.Query(u"Text", &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(key.Query(u"Text", nullptr, nullptr, nullptr), kErrorSuccess);

    // A short buffer: 234, the size needed, and nothing written past the buffer.
    Bytes buffer(16, 0xCC);
    size = 4;
    type = 99;
    EXPECT_EQ(key.Query(u"Text", &type, buffer.data(), &size), kErrorMoreData);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(Bytes(buffer.begin() + 4, buffer.end()), Bytes(12, 0xCC));

    // Exactly large enough, and larger: the data and its byte count.
    size = 8;
    EXPECT_EQ(key.Query(u"Text", nullptr, buffer.data(), &size), kErrorSuccess);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 8), Utf16(u"abc"));
    EXPECT_EQ(buffer[8], 0xCC);
    size = 16;
    EXPECT_EQ(key.Query(u"Text", &type, buffer.data(), &size), kErrorSuccess);
    EXPECT_EQ(size, 8u);

    // A missing value: 2, type and size untouched.
    type = 99;
    size = 16;
    EXPECT_EQ(key.Query(u"Missing", &type, buffer.data(), &size), kErrorFileNotFound);
    EXPECT_EQ(type, 99u);
    EXPECT_EQ(size, 16u);
    uint32_t dword = 7;
    std::vector<uint8_t> bytes;
    EXPECT_EQ(key.QueryBytes(u"Missing", type, bytes), kErrorFileNotFound);
    EXPECT_EQ(key.QueryDword(u"Missing", dword), kErrorFileNotFound);

    // QueryDword wants exactly a four-byte REG_DWORD.
    EXPECT_EQ(key.QueryDword(u"Text", dword), kErrorUnsupportedType);
    const uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(key.Set(u"Long", kRegDword, eight, 8), kErrorSuccess);
    EXPECT_EQ(key.QueryDword(u"Long", dword), kErrorUnsupportedType);
    EXPECT_EQ(dword, 7u);
}

TEST_F(RegistryTest, QueryStringReadsStringsAsWin32ProgramsDo) {
    RegistryKey key;
    ASSERT_EQ(key.Create(Hive::CurrentUser, Path(u"Strings"), kReadWrite), kErrorSuccess);
    struct Case {
        const char16_t* name;
        uint32_t type;
        Bytes data;
        long result;
        WString text;
        bool terminated;
    };
    Bytes odd = Utf16(u"ab");
    odd.push_back('c');
    Bytes inner = Utf16(u"ab");
    const Bytes tail = Utf16(u"cd");
    inner.insert(inner.end(), tail.begin(), tail.end());
    const std::vector<Case> cases = {
        {u"Plain", kRegSz, Utf16(u"C:\\Temp \u00e4\U0001F600"), kErrorSuccess,
         u"C:\\Temp \u00e4\U0001F600", true},
        {u"Expand", kRegExpandSz, Utf16(u"%TEMP%"), kErrorSuccess, u"%TEMP%", true},
        {u"Empty", kRegSz, Utf16(u""), kErrorSuccess, u"", true},
        {u"NoBytes", kRegSz, {}, kErrorSuccess, u"", false},
        {u"NoNul", kRegSz, Utf16(u"abc", false), kErrorSuccess, u"abc", false},
        {u"OddByte", kRegSz, odd, kErrorSuccess, u"ab", false},
        {u"InnerNul", kRegSz, inner, kErrorSuccess, u"ab", true},
        {u"Binary", kRegBinary, Utf16(u"abc"), kErrorUnsupportedType, u"kept", false},
        {u"Number", kRegDword, {1, 0, 0, 0}, kErrorUnsupportedType, u"kept", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.name));
        ASSERT_EQ(key.Set(c.name, c.type, c.data.data(), static_cast<uint32_t>(c.data.size())),
                  kErrorSuccess);
        StringValue value{u"kept", kRegNone, false};
        EXPECT_EQ(key.QueryString(c.name, value), c.result);
        EXPECT_EQ(value.text, c.text);
        EXPECT_EQ(value.terminated, c.terminated);
        EXPECT_EQ(value.type, c.result == kErrorSuccess ? c.type : kRegNone);
    }
    // A missing value, and one longer than the caller's limit: value untouched.
    StringValue value{u"kept", kRegNone, false};
    EXPECT_EQ(key.QueryString(u"Missing", value), kErrorFileNotFound);
    EXPECT_EQ(key.QueryString(u"Plain", value, 4), kErrorMoreData);
    EXPECT_EQ(value.text, u"kept");
    EXPECT_EQ(key.QueryString(u"Expand", value, 14), kErrorSuccess);
    EXPECT_EQ(value.text, u"%TEMP%");
}

TEST_F(RegistryTest, NamesIgnoreAsciiCase) {
    RegistryKey key;
    ASSERT_EQ(key.Create(Hive::CurrentUser, Path(u"MixedCase\\Sub"), kReadWrite), kErrorSuccess);
    ASSERT_EQ(key.SetDword(u"AutoStart", 1), kErrorSuccess);

    RegistryKey other;
    WString lower = Path(u"mixedcase\\SUB");
    ASSERT_EQ(other.Open(Hive::CurrentUser, lower, kReadWrite), kErrorSuccess);
    uint32_t value = 0;
    EXPECT_EQ(other.QueryDword(u"autostart", value), kErrorSuccess);
    EXPECT_EQ(value, 1u);
    // The same value under another spelling: replaced, not added.
    ASSERT_EQ(other.SetDword(u"AUTOSTART", 2), kErrorSuccess);
    EXPECT_EQ(key.QueryDword(u"AutoStart", value), kErrorSuccess);
    EXPECT_EQ(value, 2u);
    // Creating an existing key under another spelling opens it.
    ASSERT_EQ(other.Create(Hive::CurrentUser, Path(u"MIXEDCASE\\sub"), kKeyRead), kErrorSuccess);
    EXPECT_EQ(other.QueryDword(u"autoSTART", value), kErrorSuccess);
}

TEST_F(RegistryTest, OpenOfMissingKeyFailsAndLeavesKeyClosed) {
    RegistryKey key;
    EXPECT_EQ(key.Open(Hive::CurrentUser, Path(u"Nowhere"), kKeyRead), kErrorFileNotFound);
    EXPECT_FALSE(key.IsOpen());
    uint32_t size = 0;
    EXPECT_EQ(key.Query(u"x", nullptr, nullptr, &size), kErrorInvalidHandle);
    EXPECT_EQ(key.SetDword(u"x", 1), kErrorInvalidHandle);

    // A parent made on the way to its child exists; its sibling does not.
    ASSERT_EQ(key.Create(Hive::CurrentUser, Path(u"Parent\\Child"), kReadWrite), kErrorSuccess);
    EXPECT_EQ(key.Open(Hive::CurrentUser, Path(u"Parent"), kKeyRead), kErrorSuccess);
    EXPECT_TRUE(key.IsOpen());
    EXPECT_EQ(key.Open(Hive::CurrentUser, Path(u"Parent\\Other"), kKeyRead), kErrorFileNotFound);
    EXPECT_FALSE(key.IsOpen());

    // The machine hive is a separate store.
    RegistryKey machine;
    ASSERT_EQ(machine.Create(Hive::LocalMachine, Path(u"Machine"), kReadWrite | kKeyWow64_64Key),
              kErrorSuccess);
    ASSERT_EQ(machine.SetDword(u"Installed", 1), kErrorSuccess);
    EXPECT_EQ(key.Open(Hive::CurrentUser, Path(u"Machine"), kKeyRead), kErrorFileNotFound);

    // Moving hands the open key over.
    RegistryKey moved(std::move(machine));
    EXPECT_FALSE(machine.IsOpen());
    uint32_t value = 0;
    EXPECT_EQ(moved.QueryDword(u"Installed", value), kErrorSuccess);
    key = std::move(moved);
    EXPECT_FALSE(moved.IsOpen());
    EXPECT_EQ(key.QueryDword(u"Installed", value), kErrorSuccess);
    EXPECT_EQ(value, 1u);
    key.Close();
    EXPECT_FALSE(key.IsOpen());
}

TEST_F(RegistryTest, AccessRightsAreEnforced) {
    RegistryKey key;
    ASSERT_EQ(key.Create(Hive::CurrentUser, base_, kReadWrite), kErrorSuccess);
    ASSERT_EQ(key.SetDword(u"Value", 5), kErrorSuccess);

    RegistryKey readOnly;
    ASSERT_EQ(readOnly.Open(Hive::CurrentUser, base_, kKeyRead), kErrorSuccess);
    EXPECT_EQ(readOnly.SetDword(u"Value", 6), kErrorAccessDenied);
    ASSERT_EQ(readOnly.Create(Hive::CurrentUser, base_, kKeyRead), kErrorSuccess);
    EXPECT_EQ(readOnly.SetDword(u"Value", 6), kErrorAccessDenied);
    uint32_t value = 0;
    EXPECT_EQ(readOnly.QueryDword(u"Value", value), kErrorSuccess);
    EXPECT_EQ(value, 5u);

    RegistryKey writeOnly;
    ASSERT_EQ(writeOnly.Open(Hive::CurrentUser, base_, kKeySetValue), kErrorSuccess);
    EXPECT_EQ(writeOnly.SetDword(u"Value", 7), kErrorSuccess);
    EXPECT_EQ(writeOnly.QueryDword(u"Value", value), kErrorAccessDenied);
    EXPECT_EQ(key.QueryDword(u"Value", value), kErrorSuccess);
    EXPECT_EQ(value, 7u);
}

TEST_F(RegistryTest, OddNamesRoundTrip) {
    const WString keyName = Path(u"Odd ]Key [x] \"q\" \u00e9\u20ac ;x =y @");
    RegistryKey key;
    ASSERT_EQ(key.Create(Hive::CurrentUser, keyName, kReadWrite), kErrorSuccess);
    const std::vector<WString> names = {u"say \"hi\"",
                                        u"back\\slash",
                                        u"C:\\dir\\",
                                        u"\\",
                                        u"\"",
                                        u"]",
                                        u"[x]",
                                        u"@",
                                        u"=",
                                        u"a=b",
                                        u";comment",
                                        u" spaced ",
                                        u"\u00fcn\u00efc\u00f6d\u00e9 \u20ac",
                                        u"\U0001F600"};
    for (const WString& name : names) {
        ASSERT_EQ(key.SetString(name, u"value of " + name), kErrorSuccess) << ToUtf8(name);
    }
    const WString tricky = u"C:\\Program Files\\\"Korvane\"\\";
    ASSERT_EQ(key.SetString(u"Tricky", tricky), kErrorSuccess);

    RegistryKey reader;
    ASSERT_EQ(reader.Open(Hive::CurrentUser, keyName, kKeyRead), kErrorSuccess);
    for (const WString& name : names) {
        EXPECT_EQ(Read(reader, name, kRegSz), Utf16(u"value of " + name)) << ToUtf8(name);
    }
    EXPECT_EQ(Read(reader, u"Tricky", kRegSz), Utf16(tricky));
    // "@" is a name like any other, not the default value.
    uint32_t size = 0;
    EXPECT_EQ(reader.Query(u"", nullptr, nullptr, &size), kErrorFileNotFound);
}

#ifndef _WIN32

std::string ReadFile(const fs::path& path) {
    return qo::test::ReadFileBytes(path.u16string());
}

void WriteFile(const fs::path& path, std::string_view bytes) {
    qo::test::WriteFileBytes(path.u16string(), bytes);
}

std::string Utf16LeWithBom(std::string_view utf8) {
    std::string out = "\xFF\xFE";
    for (const char16_t c : FromUtf8(utf8)) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

// The names in a folder, to see that no temporary file was left behind.
std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Starts count writer processes; each runs write with its number and exits
// with what it returns.
std::vector<pid_t> StartWriters(int count, const std::function<int(int)>& write) {
    std::vector<pid_t> children;
    for (int w = 0; w < count; ++w) {
        const pid_t pid = fork();
        EXPECT_GE(pid, 0);
        if (pid == 0)
            _exit(write(w));
        if (pid > 0)
            children.push_back(pid);
    }
    return children;
}

class RegistryFileTest : public RegistryTest {};

TEST_F(RegistryFileTest, WritesRegeditTextExactly) {
    RegistryKey key;
    ASSERT_EQ(key.Create(Hive::CurrentUser, u"SOFTWARE\\Korvane\\Quelix Omnisweep", kReadWrite),
              kErrorSuccess);
    Bytes blob(30);
    for (size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<uint8_t>(i);
    const Bytes noNul = Utf16(u"a", false);
    const uint8_t shortDword[3] = {1, 2, 3};
    const uint8_t qword[8] = {0xff, 0, 0, 0, 0, 0, 0, 0x80};
    ASSERT_EQ(key.SetString(u"", u"Quelix"), kErrorSuccess);
    ASSERT_EQ(key.SetDword(u"Count", 42), kErrorSuccess);
    ASSERT_EQ(key.SetString(u"Path", u"%A%\\b", kRegExpandSz), kErrorSuccess);
    ASSERT_EQ(key.SetString(u"Quote", u"say \"hi\" \\ \u00e9"), kErrorSuccess);
    ASSERT_EQ(key.Set(u"Blob", kRegBinary, blob.data(), 30), kErrorSuccess);
    ASSERT_EQ(key.Set(u"Empty", kRegBinary, nullptr, 0), kErrorSuccess);
    ASSERT_EQ(key.Set(u"NoNul", kRegSz, noNul.data(), 2), kErrorSuccess);
    ASSERT_EQ(key.SetString(u"Lines", u"a\nb"), kErrorSuccess);
    ASSERT_EQ(key.Set(u"Short", kRegDword, shortDword, 3), kErrorSuccess);
    ASSERT_EQ(key.Set(u"Qword", 11, qword, 8), kErrorSuccess);
    ASSERT_EQ(key.Set(u"Typeless", 0x12345, nullptr, 0), kErrorSuccess);
    ASSERT_EQ(key.SetDword(u"count", 43), kErrorSuccess);
    RegistryKey sub;
    ASSERT_EQ(sub.Create(Hive::CurrentUser, u"software\\korvane\\Quelix Omnisweep\\Empty Key",
                         kReadWrite),
              kErrorSuccess);

    const std::string expected =
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\Korvane\\Quelix Omnisweep]\n"
        "@=\"Quelix\"\n"
        "\"count\"=dword:0000002b\n"
        "\"Path\"=hex(2):25,00,41,00,25,00,5c,00,62,00,00,00\n"
        "\"Quote\"=\"say \\\"hi\\\" \\\\ \xC3\xA9\"\n"
        "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
        "  16,17,18,19,1a,1b,1c,1d\n"
        "\"Empty\"=hex:\n"
        "\"NoNul\"=hex(1):61,00\n"
        "\"Lines\"=hex(1):61,00,0a,00,62,00,00,00\n"
        "\"Short\"=hex(4):01,02,03\n"
        "\"Qword\"=hex(b):ff,00,00,00,00,00,00,80\n"
        "\"Typeless\"=hex(12345):\n"
        "\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\Korvane\\Quelix Omnisweep\\Empty Key]\n"
        "\n";
    EXPECT_EQ(ReadFile(UserFile()), expected);
    EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>({"user.reg", "user.reg.lock"}));
    EXPECT_EQ(fs::status(UserFile()).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    // A replaced file keeps the mode an administrator gave it.
    fs::permissions(UserFile(),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(key.SetDword(u"Count", 1), kErrorSuccess);
    EXPECT_EQ(fs::status(UserFile()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(RegistryFileTest, ReadsHandWrittenFilesInEveryEncoding) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; written by hand\r\n"
        "[HKEY_CURRENT_USER\\Software\\Korvane\\Hand]  \r\n"
        "@=\"def\"\r\n"
        "  \"Count\" = DWORD:2A\r\n"
        "\"Quoted\"=\"a \\\"b\\\" c:\\\\ \xE2\x82\xAC\"\r\n"
        "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
        "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\r\n"
        "\t2f, 30 ,31 \\\r\n"
        "  ,FF\r\n"
        "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"Exp\"=hex(2):25,00,00,00\r\n"
        "\"Dup\"=dword:00000001\r\n"
        // regedit writes line breaks in strings as escapes.
        "\"Lines\"=\"a\\nb\\r\"\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Other Hive]\r\n"
        "\"Kept\"=dword:00000009\r\n"
        "\r\n"
        "[hkey_current_user\\software\\korvane\\hand]\r\n"
        "\"dup\"=dword:00000002\r\n";
    Bytes longBytes;
    for (int i = 0; i <= 0x31; ++i)
        longBytes.push_back(static_cast<uint8_t>(i));
    longBytes.push_back(0xFF);

    const std::vector<std::string> encodings = {text, "\xEF\xBB\xBF" + text, Utf16LeWithBom(text)};
    for (const std::string& bytes : encodings) {
        SCOPED_TRACE(bytes.substr(0, 3));
        WriteFile(UserFile(), bytes);
        RegistryKey key;
        ASSERT_EQ(key.Open(Hive::CurrentUser, u"SOFTWARE\\KORVANE\\HAND", kReadWrite),
                  kErrorSuccess);
        const auto check = [&] {
            EXPECT_EQ(Read(key, u"", kRegSz), Utf16(u"def"));
            EXPECT_EQ(Read(key, u"Count", kRegDword), Bytes({0x2a, 0, 0, 0}));
            EXPECT_EQ(Read(key, u"Quoted", kRegSz), Utf16(u"a \"b\" c:\\ \u20ac"));
            EXPECT_EQ(Read(key, u"Long", kRegBinary), longBytes);
            EXPECT_EQ(Read(key, u"Multi", 7), Bytes({0x61, 0, 0, 0, 0x62, 0, 0, 0, 0, 0}));
            EXPECT_EQ(Read(key, u"Exp", kRegExpandSz), Bytes({0x25, 0, 0, 0}));
            EXPECT_EQ(Read(key, u"Lines", kRegSz), Utf16(u"a\nb\r"));
            // The same section twice is one key; the later value wins.
            EXPECT_EQ(Read(key, u"Dup", kRegDword), Bytes({2, 0, 0, 0}));
        };
        check();
        // A write rewrites the file in UTF-8 without BOM and keeps every value,
        // also those of the other hive's section.
        ASSERT_EQ(key.SetDword(u"Added", 1), kErrorSuccess);
        check();
        const std::string rewritten = ReadFile(UserFile());
        EXPECT_EQ(rewritten.rfind("Windows Registry Editor Version 5.00\n\n[", 0), 0u);
        EXPECT_NE(rewritten.find("[HKEY_LOCAL_MACHINE\\Software\\Other Hive]\n"
                                 "\"Kept\"=dword:00000009\n"),
                  std::string::npos);
    }

    // An empty file is an empty store, which may be written.
    WriteFile(UserFile(), "");
    RegistryKey key;
    EXPECT_EQ(key.Open(Hive::CurrentUser, u"Software\\Korvane\\Hand", kKeyRead),
              kErrorFileNotFound);
    ASSERT_EQ(key.Create(Hive::CurrentUser, u"Software\\Korvane\\Hand", kReadWrite), kErrorSuccess);
    EXPECT_EQ(ReadFile(UserFile()),
              "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Korvane\\Hand]"
              "\n\n");
}

TEST_F(RegistryFileTest, CorruptStoreReadsEmptyAndIsNeverReplaced) {
    const std::string header = "Windows Registry Editor Version 5.00\n\n";
    const std::string good = header + "[HKEY_CURRENT_USER\\K]\n\"a\"=dword:00000001\n";
    const std::vector<std::string> corrupt = {
        "garbage",
        good + "this is no value\n",
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"a\"=dword:00000001\n",
        header + "\"a\"=dword:00000001\n[HKEY_CURRENT_USER\\K]\n",
        good + "\"b\"=-\n",
        good + "[-HKEY_CURRENT_USER\\K\\Sub]\n",
        good + "[HKEY_CURRENT_USER\\K\\\\Sub]\n",
        good + "[HKEY_CURRENT_USER\\K\n",
        good + "\"b\"=\"x\\q\"\n",
        good + "\"b\"=\"unterminated\n",
        good + "\"b\"=\"x\" trailing\n",
        good + "\"b\"=dword:123456789\n",
        good + "\"b\"=dword:\n",
        good + "\"b\"=hex:1ff\n",
        good + "\"b\"=hex:01,\n",
        good + "\"b\"=hex(zz):01\n",
        good + "\"b\"=hex:01,\\\n",
        good + "\"b\"=hex:01 ; comment\n",
        good + "\"b\"=\"bad \xC3\x28 utf-8\"\n",
        good + "\"b\"=\"a\tb\"\n",
        good + std::string("\"b\"=\"nul\0\"\n", 11),
        good + "\"b\"=qword:1\n",
        Utf16LeWithBom(good) + "x",
        Utf16LeWithBom(good) + std::string("\x00\xD8", 2),
        "\xFE\xFF" + good,
    };
    for (const std::string& bytes : corrupt) {
        SCOPED_TRACE(bytes);
        WriteFile(UserFile(), good);
        RegistryKey earlier;
        ASSERT_EQ(earlier.Open(Hive::CurrentUser, u"K", kReadWrite), kErrorSuccess);
        WriteFile(UserFile(), bytes);

        RegistryKey key;
        EXPECT_EQ(key.Open(Hive::CurrentUser, u"K", kKeyRead), kErrorFileNotFound);
        EXPECT_EQ(key.Create(Hive::CurrentUser, u"K", kReadWrite), kErrorBadDb);
        EXPECT_EQ(key.Create(Hive::CurrentUser, u"Other", kReadWrite), kErrorBadDb);
        EXPECT_FALSE(key.IsOpen());
        uint32_t size = 0;
        EXPECT_EQ(earlier.Query(u"a", nullptr, nullptr, &size), kErrorFileNotFound);
        EXPECT_EQ(earlier.SetDword(u"a", 2), kErrorBadDb);
        EXPECT_EQ(ReadFile(UserFile()), bytes);
        EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>({"user.reg", "user.reg.lock"}));
    }
}

TEST_F(RegistryFileTest, UnreadableStoreIsNeverReplaced) {
    WriteFile(UserFile(), "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n");
    RegistryKey earlier;
    ASSERT_EQ(earlier.Open(Hive::CurrentUser, u"K", kReadWrite), kErrorSuccess);

    // A folder, and a FIFO (which must not block the reader), where the file should be.
    const auto makeFolder = [&] { fs::create_directory(UserFile()); };
    const auto makeFifo = [&] { ASSERT_EQ(mkfifo(UserFile().c_str(), 0600), 0); };
    for (const auto& make : {std::function<void()>(makeFolder), std::function<void()>(makeFifo)}) {
        fs::remove_all(UserFile());
        make();
        const fs::file_type kind = fs::symlink_status(UserFile()).type();
        RegistryKey key;
        EXPECT_EQ(key.Open(Hive::CurrentUser, u"K", kKeyRead), kErrorFileNotFound);
        EXPECT_EQ(key.Create(Hive::CurrentUser, u"K", kReadWrite), kErrorBadDb);
        EXPECT_EQ(earlier.SetDword(u"a", 1), kErrorBadDb);
        EXPECT_EQ(fs::symlink_status(UserFile()).type(), kind);
    }

    // A file without read permission (root reads it anyway).
    if (geteuid() != 0) {
        fs::remove_all(UserFile());
        WriteFile(UserFile(), "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n");
        fs::permissions(UserFile(), fs::perms::none);
        EXPECT_EQ(earlier.SetDword(u"a", 1), kErrorBadDb);
        fs::permissions(UserFile(), fs::perms::owner_read);
        EXPECT_EQ(ReadFile(UserFile()),
                  "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n");
    }
}

TEST_F(RegistryFileTest, ConcurrentWritersLoseNothing) {
    constexpr int kWriters = 4;
    constexpr int kWritesEach = 40;
    RegistryKey key;
    ASSERT_EQ(key.Create(Hive::CurrentUser, u"Shared", kReadWrite), kErrorSuccess);
    const std::vector<pid_t> children = StartWriters(kWriters, [](int w) {
        int failures = 0;
        RegistryKey mine;
        failures += mine.Open(Hive::CurrentUser, u"Shared", kReadWrite) != kErrorSuccess;
        for (int i = 0; i < kWritesEach; ++i) {
            const WString name = FromUtf8("w" + std::to_string(w) + "-" + std::to_string(i));
            failures += mine.SetDword(name, static_cast<uint32_t>(w * 1000 + i)) != 0;
        }
        return failures == 0 ? 0 : 1;
    });
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kWritesEach; ++i) {
            uint32_t value = 0;
            const WString name = FromUtf8("w" + std::to_string(w) + "-" + std::to_string(i));
            ASSERT_EQ(key.QueryDword(name, value), kErrorSuccess) << ToUtf8(name);
            EXPECT_EQ(value, static_cast<uint32_t>(w * 1000 + i));
        }
    }
    EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>({"user.reg", "user.reg.lock"}));
}

// Writers killed at any moment of their saves leave no temporary file once
// the next save has run, and the store stays whole.
TEST_F(RegistryFileTest, KilledWritersLeaveNothingBehind) {
    constexpr int kWriters = 12;
    RegistryKey key;
    ASSERT_EQ(key.Create(Hive::CurrentUser, u"Killed", kReadWrite), kErrorSuccess);
    const std::vector<pid_t> children = StartWriters(kWriters, [](int w) {
        RegistryKey mine;
        mine.Open(Hive::CurrentUser, u"Killed", kReadWrite);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (uint32_t i = 0; std::chrono::steady_clock::now() < end; ++i)
            mine.SetDword(FromUtf8("w" + std::to_string(w)), i);
        return 0;
    });
    ASSERT_EQ(children.size(), static_cast<size_t>(kWriters));
    for (int w = 0; w < kWriters; ++w) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25 + 7 * w));
        kill(children[static_cast<size_t>(w)], SIGKILL);
    }
    for (const pid_t pid : children)
        waitpid(pid, nullptr, 0);
    ASSERT_EQ(key.SetDword(u"after", 1), kErrorSuccess);
    EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>({"user.reg", "user.reg.lock"}));
    uint32_t value = 0;
    EXPECT_EQ(key.QueryDword(u"after", value), kErrorSuccess);
    EXPECT_EQ(value, 1u);
}

TEST_F(RegistryFileTest, NamesThatCannotBeStoredAreRefused) {
    RegistryKey key;
    ASSERT_EQ(key.Create(Hive::CurrentUser, u"K", kReadWrite), kErrorSuccess);
    ASSERT_EQ(key.SetDword(u"ok", 1), kErrorSuccess);
    const std::string before = ReadFile(UserFile());
    const std::vector<WString> badNames = {u"line\nbreak",
                                           u"cr\r",
                                           u"tab\t",
                                           u"\x01",
                                           WString(u"nul\0", 4),
                                           WString(1, char16_t(0xD800)),
                                           WString(u"x") + char16_t(0xDC00)};
    for (const WString& name : badNames) {
        EXPECT_EQ(key.SetDword(name, 1), kErrorInvalidParameter);
        uint32_t value = 0;
        EXPECT_EQ(key.QueryDword(name, value), kErrorFileNotFound);
        RegistryKey other;
        EXPECT_EQ(other.Create(Hive::CurrentUser, u"K\\" + name, kReadWrite),
                  kErrorInvalidParameter);
        EXPECT_EQ(other.Open(Hive::CurrentUser, u"K\\" + name, kKeyRead), kErrorInvalidParameter);
    }
    RegistryKey other;
    for (const WStringView path : {u"K\\\\Sub", u"\\K", u"K\\"}) {
        EXPECT_EQ(other.Create(Hive::CurrentUser, path, kReadWrite), kErrorInvalidParameter);
    }
    EXPECT_EQ(ReadFile(UserFile()), before);
    // Case folding is ASCII only.
    ASSERT_EQ(key.SetDword(u"\u00c9t\u00e9", 1), kErrorSuccess);
    uint32_t value = 0;
    EXPECT_EQ(key.QueryDword(u"\u00e9t\u00e9", value), kErrorFileNotFound);
}

TEST_F(RegistryFileTest, KeysExistThroughTheirDescendants) {
    WriteFile(UserFile(), "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A\\B\\C]\n");
    RegistryKey key;
    for (const WStringView path : {u"", u"A", u"a\\b", u"A\\B\\C"}) {
        EXPECT_EQ(key.Open(Hive::CurrentUser, path, kKeyRead), kErrorSuccess) << ToUtf8(path);
    }
    EXPECT_EQ(key.Open(Hive::CurrentUser, u"A\\B\\D", kKeyRead), kErrorFileNotFound);
    EXPECT_EQ(key.Open(Hive::CurrentUser, u"A\\BC", kKeyRead), kErrorFileNotFound);

    // Creating an existing key does not rewrite the store.
    struct stat before {};
    ASSERT_EQ(stat(UserFile().c_str(), &before), 0);
    ASSERT_EQ(key.Create(Hive::CurrentUser, u"A\\B", kReadWrite), kErrorSuccess);
    struct stat after {};
    ASSERT_EQ(stat(UserFile().c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);

    // A value on a key known only through its child gives the key its section;
    // new keys take the spelling of the ancestors already stored.
    ASSERT_EQ(key.SetDword(u"v", 1), kErrorSuccess);
    RegistryKey created;
    ASSERT_EQ(created.Create(Hive::CurrentUser, u"a\\b\\new", kReadWrite), kErrorSuccess);
    EXPECT_EQ(ReadFile(UserFile()),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\A\\B\\C]\n\n"
              "[HKEY_CURRENT_USER\\A\\B]\n\"v\"=dword:00000001\n\n"
              "[HKEY_CURRENT_USER\\A\\B\\new]\n\n");
}

TEST_F(RegistryFileTest, LocatesStoresAndCreatesFolders) {
    struct EnvRestore {
        std::string name;
        std::string old;
        bool had;
        explicit EnvRestore(std::string n) : name(std::move(n)) {
            const char* v = std::getenv(name.c_str());
            had = v != nullptr;
            old = had ? v : "";
        }
        ~EnvRestore() {
            if (had) {
                setenv(name.c_str(), old.c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    };
    const EnvRestore home("HOME"), xdg("XDG_CONFIG_HOME"), machine("KORVANE_MACHINE_REGISTRY");
    SetRegistryFilePath(Hive::CurrentUser, "");
    SetRegistryFilePath(Hive::LocalMachine, "");
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CONFIG_HOME", "/xdg", 1);
    EXPECT_EQ(RegistryFilePath(Hive::CurrentUser), "/xdg/Korvane/registry.reg");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(RegistryFilePath(Hive::CurrentUser), "/home/someone/.config/Korvane/registry.reg");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(RegistryFilePath(Hive::CurrentUser), "/home/someone/.config/Korvane/registry.reg");
    unsetenv("KORVANE_MACHINE_REGISTRY");
    EXPECT_EQ(RegistryFilePath(Hive::LocalMachine), "/etc/Korvane/registry.reg");
    const std::string machineFile = (folder_ / "m" / "machine.reg").string();
    setenv("KORVANE_MACHINE_REGISTRY", machineFile.c_str(), 1);
    if (geteuid() == 0) {
        // Root reads machine policy from its fixed place; another user may name a file.
        EXPECT_EQ(RegistryFilePath(Hive::LocalMachine), "/etc/Korvane/registry.reg");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            _exit(setresuid(65534, 65534, 65534) == 0 &&
                          RegistryFilePath(Hive::LocalMachine) == machineFile
                      ? 0
                      : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        SetRegistryFilePath(Hive::LocalMachine, machineFile);
    } else {
        EXPECT_EQ(RegistryFilePath(Hive::LocalMachine), machineFile);
    }

    // Missing folders are made on the first write, the user's private to the user.
    setenv("XDG_CONFIG_HOME", (folder_ / "deep" / "config").c_str(), 1);
    RegistryKey key;
    ASSERT_EQ(key.Create(Hive::CurrentUser, u"Software\\Korvane", kReadWrite), kErrorSuccess);
    EXPECT_TRUE(fs::is_regular_file(folder_ / "deep" / "config" / "Korvane" / "registry.reg"));
    EXPECT_EQ(fs::status(folder_ / "deep" / "config" / "Korvane").permissions(),
              fs::perms::owner_all);
    ASSERT_EQ(key.Create(Hive::LocalMachine, u"Software\\Korvane", kReadWrite), kErrorSuccess);
    ASSERT_EQ(key.SetDword(u"Machine", 1), kErrorSuccess);
    EXPECT_NE(ReadFile(machineFile).find("[HKEY_LOCAL_MACHINE\\Software\\Korvane]"),
              std::string::npos);

    // A store below a plain file cannot be written: an error, not a crash.
    WriteFile(folder_ / "plain", "x");
    SetRegistryFilePath(Hive::CurrentUser, (folder_ / "plain" / "registry.reg").string());
    EXPECT_EQ(key.Create(Hive::CurrentUser, u"Software", kReadWrite), kErrorRegistryIoFailed);
}

#endif  // !_WIN32

}  // namespace
}  // namespace platform

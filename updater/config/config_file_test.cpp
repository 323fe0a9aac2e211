#include "updater/config/config_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/support/testing/message_recorder.h"

namespace updater {
namespace {

using platform::WString;
using qo::test::ScratchFolder;
using testing::MessageRecorder;

std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::string out;
    for (const char16_t c : text) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        out += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return out;
}

cConfigFile FromBytes(std::string_view bytes) {
    cConfigFile file;
    file.OpenBytes({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    return file;
}

std::vector<WString> AllLines(cConfigFile& file, size_t capacity) {
    std::vector<WString> lines;
    WString line;
    while (file.ReadNextLine(line, capacity))
        lines.push_back(line);
    return lines;
}

WString Value(cConfigFile& file, std::u16string_view section, std::u16string_view key,
              size_t capacity = 1024) {
    WString value;
    if (!file.FindValue(section, key, value, capacity))
        return u"<absent>";
    return value;
}

constexpr char16_t kSample[] =
    u"[Main]\r\nProductName=Quelix Omnisweep\r\n\r\nProductVer = 1.0 "
    u"\r\n[URL]\nAddress=example.org\n";

// The five text forms of the same ASCII text read the same; each is told by
// its first bytes, and the text after a mark starts after it.
TEST(ConfigFile, EveryTextFormReadsTheSameText) {
    const std::string ascii = platform::ToUtf8(kSample);
    struct Form {
        std::string bytes;
        TextForm form;
    };
    const std::vector<Form> forms{
        {ascii, TextForm::SingleByte},
        {"\xEF\xBB\xBF" + ascii, TextForm::Utf8},
        {"\xFF\xFE" + Utf16Bytes(kSample, false), TextForm::Utf16LittleEndian},
        {"\xFE\xFF" + Utf16Bytes(kSample, true), TextForm::Utf16BigEndian},
        {Utf16Bytes(kSample, false), TextForm::Utf16Unmarked},
        // A trailing odd byte of UTF-16 text is left out, not read past.
        {"\xFF\xFE" + Utf16Bytes(kSample, false) + "A", TextForm::Utf16LittleEndian},
        {"\xFE\xFF" + Utf16Bytes(kSample, true) + "\x41", TextForm::Utf16BigEndian},
    };
    ScratchFolder folder;
    for (size_t i = 0; i < forms.size(); ++i) {
        SCOPED_TRACE(i);
        const WString path =
            folder.Write(u"form" + platform::FromUtf8(std::to_string(i)) + u".ini", forms[i].bytes);
        cConfigFile file;
        ASSERT_TRUE(file.Open(path, nullptr));
        EXPECT_EQ(file.Form(), forms[i].form);
        EXPECT_EQ(Value(file, u"[Main]", u"ProductName"), u"Quelix Omnisweep");
        EXPECT_EQ(Value(file, u"[Main]", u"ProductVer"), u"1.0 ");
        EXPECT_EQ(Value(file, u"[URL]", u"Address"), u"example.org");
        ASSERT_TRUE(file.FindSection(u"[main]"));
        EXPECT_EQ(AllLines(file, 1024),
                  (std::vector<WString>{u"ProductName=Quelix Omnisweep", u"ProductVer = 1.0 ",
                                        u"[URL]", u"Address=example.org"}));
    }

    // Text beyond ASCII: UTF-8 and UTF-16 decode it; single bytes go through
    // the ANSI code page (Windows-1252 on Linux).
    cConfigFile utf8 = FromBytes(
        "\xEF\xBB\xBF[A]\nk=Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC");
    EXPECT_EQ(Value(utf8, u"[A]", u"k"), u"Grüße €");
    cConfigFile bigEndian = FromBytes("\xFE\xFF" + Utf16Bytes(u"[A]\nk=Grüße €", true));
    EXPECT_EQ(Value(bigEndian, u"[A]", u"k"), u"Grüße €");
    cConfigFile ansi = FromBytes(
        "[A]\nk=Gr\xFC\xDF"
        "e \x80");
    EXPECT_EQ(Value(ansi, u"[A]", u"k"), platform::FromAnsi("Gr\xFC\xDF"
                                                            "e \x80"));
#ifndef _WIN32
    EXPECT_EQ(Value(ansi, u"[A]", u"k"), u"Grüße €");
#endif

    // First or second byte 0 means UTF-16 without a mark, also for one byte.
    cConfigFile single = FromBytes(std::string(1, '\0'));
    EXPECT_EQ(single.Form(), TextForm::Utf16Unmarked);
    EXPECT_TRUE(AllLines(single, 16).empty());
    cConfigFile second = FromBytes(std::string("A\0B", 3));
    EXPECT_EQ(second.Form(), TextForm::Utf16Unmarked);
    EXPECT_EQ(AllLines(second, 16), std::vector<WString>{u"A"});
    cConfigFile empty = FromBytes("");
    EXPECT_EQ(empty.Form(), TextForm::SingleByte);
    EXPECT_TRUE(empty.IsOpen());
    EXPECT_FALSE(empty.FindSection(u""));
    // A lone mark byte is single-byte text.
    EXPECT_EQ(FromBytes("\xFF").Form(), TextForm::SingleByte);
    EXPECT_EQ(FromBytes("\xEF\xBB").Form(), TextForm::SingleByte);
}

TEST(ConfigFile, LinesEndAtCrLfOrBothAndLongLinesAreCut) {
    cConfigFile ends = FromBytes("one\rtwo\nthree\r\nfour\n\rfive\r\r\n\n  \n\tsix");
    ASSERT_TRUE(ends.FindSection(u"one"));
    // LF CR is two line ends around an empty line, which is skipped; blanks
    // alone make a line.
    EXPECT_EQ(AllLines(ends, 64),
              (std::vector<WString>{u"two", u"three", u"four", u"five", u"  ", u"\tsix"}));

    cConfigFile cut = FromBytes("[S]\nabcdefghij\nklmn\r\nop");
    ASSERT_TRUE(cut.FindSection(u"[s]"));
    EXPECT_EQ(AllLines(cut, 5), (std::vector<WString>{u"abcd", u"efgh", u"ij", u"klmn", u"op"}));
    // The smallest capacity that holds a character reads one at a time; none
    // reads nothing (and does not loop).
    ASSERT_TRUE(cut.FindSection(u"[S]"));
    EXPECT_EQ(AllLines(cut, 2).size(), 16u);
    ASSERT_TRUE(cut.FindSection(u"[S]"));
    WString line = u"kept";
    EXPECT_FALSE(cut.ReadNextLine(line, 1));
    EXPECT_FALSE(cut.ReadNextLine(line, 0));
    EXPECT_EQ(line, u"kept");
    EXPECT_TRUE(cut.ReadNextLine(line, 3));
    EXPECT_EQ(line, u"ab");

    // A header longer than the search capacity is cut, so its pieces are
    // lines of their own: the second piece can be found as a section.
    const std::string longLine = std::string(1023, 'x') + "[Tail]\n[Next]\nk=v\n";
    cConfigFile pieces = FromBytes(longLine);
    EXPECT_TRUE(pieces.FindSection(u"[Tail]"));
    EXPECT_FALSE(pieces.FindSection(u"x[Tail]"));
    EXPECT_EQ(Value(pieces, u"[next]", u"K"), u"v");

    // A file that was never opened has no lines.
    cConfigFile closed;
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_FALSE(closed.ReadNextLine(line, 64));
    EXPECT_FALSE(closed.FindSection(u"[S]"));
    WString name, value;
    EXPECT_FALSE(closed.ReadPair(name, 64, value, 64));
}

TEST(ConfigFile, SectionsAndKeysMatchAsWholeLinesAndWholeKeys) {
    cConfigFile file = FromBytes(
        " [Main]\n"
        "ProductName=from the blank header\n"
        "[main]\r\n"
        "\r\n\r\n"
        "ProductNameX=longer key\n"
        ";ProductVer=commented\n"
        "#ReleaseNotesUrl=hash\n"
        "productname \t= \tvalue with blanks \n"
        "ProductName=second line\n"
        "Empty=\n"
        "Cut=0123456789\n"
        "Spaces   \n"
        "[Broken\n"
        "After=still in the section\n"
        "[Other] \n"
        "Next=ends with a blank, so still in the section\n"
        "[Other]\n"
        "Late=in another section\n"
        "[Main]\n"
        "Late=in a second Main\n");
    // The header preceded by a blank is not found; the lower-case one is.
    EXPECT_EQ(Value(file, u"[Main]", u"ProductName"), u"value with blanks ");
    EXPECT_EQ(Value(file, u"[MAIN]", u"productNAME"), u"value with blanks ");
    EXPECT_EQ(Value(file, u"[Main]", u"ProductNameX"), u"longer key");
    EXPECT_EQ(Value(file, u"[Main]", u"ProductVer"), u"<absent>");
    EXPECT_EQ(Value(file, u"[Main]", u";ProductVer"), u"commented");
    EXPECT_EQ(Value(file, u"[Main]", u"Empty"), u"");
    EXPECT_EQ(Value(file, u"[Main]", u"Cut", 5), u"0123");
    EXPECT_EQ(Value(file, u"[Main]", u"Cut", 1), u"");
    EXPECT_EQ(Value(file, u"[Main]", u"Spaces"), u"<absent>");
    EXPECT_EQ(Value(file, u"[Main]", u"After"), u"still in the section");
    EXPECT_EQ(Value(file, u"[Main]", u"Next"), u"ends with a blank, so still in the section");
    // The next header ends the section; the first matching section decides.
    EXPECT_EQ(Value(file, u"[Main]", u"Late"), u"<absent>");
    EXPECT_EQ(Value(file, u"[Other]", u"Late"), u"in another section");
    EXPECT_EQ(Value(file, u"[Other] ", u"Next"), u"ends with a blank, so still in the section");
    EXPECT_EQ(Value(file, u"[Missing]", u"Late"), u"<absent>");
    EXPECT_EQ(Value(file, u"Main", u"ProductName"), u"<absent>");
    // With no key, only the section is found, and reading goes on after it.
    ASSERT_TRUE(file.FindSection(u"[OTHER]"));
    WString line;
    ASSERT_TRUE(file.ReadNextLine(line, 64));
    EXPECT_EQ(line, u"Late=in another section");
}

TEST(ConfigFile, PairsSplitAtTheFirstEqualsSign) {
    cConfigFile file = FromBytes(
        "[Version]\n"
        "1.2.3.4\n"
        "Program Files\\Renovo.exe = 1.0.0.1\n"
        "a==b\n"
        "key=\t tab stays\n"
        "=no name\n"
        "long name here=long value here\n");
    ASSERT_TRUE(file.FindSection(u"[version]"));
    WString name, value;
    ASSERT_TRUE(file.ReadPair(name, 260, value, 260));
    EXPECT_EQ(name, u"1.2.3.4");
    EXPECT_EQ(value, u"");
    ASSERT_TRUE(file.ReadPair(name, 260, value, 260));
    EXPECT_EQ(name, u"Program Files\\Renovo.exe ");
    EXPECT_EQ(value, u"1.0.0.1");
    ASSERT_TRUE(file.ReadPair(name, 260, value, 260));
    EXPECT_EQ(name, u"a");
    EXPECT_EQ(value, u"=b");
    ASSERT_TRUE(file.ReadPair(name, 260, value, 260));
    EXPECT_EQ(name, u"key");
    EXPECT_EQ(value, u"\t tab stays");
    ASSERT_TRUE(file.ReadPair(name, 260, value, 260));
    EXPECT_EQ(name, u"");
    EXPECT_EQ(value, u"no name");
    ASSERT_TRUE(file.ReadPair(name, 5, value, 5));
    EXPECT_EQ(name, u"long");
    EXPECT_EQ(value, u"long");
    EXPECT_FALSE(file.ReadPair(name, 260, value, 260));

    // Pairs are read from lines of at most 259 units.
    cConfigFile wide = FromBytes("[V]\n" + std::string(300, 'n') + "=v\n");
    ASSERT_TRUE(wide.FindSection(u"[V]"));
    ASSERT_TRUE(wide.ReadPair(name, 1024, value, 1024));
    EXPECT_EQ(name, WString(259, u'n'));
    EXPECT_EQ(value, u"");
    ASSERT_TRUE(wide.ReadPair(name, 1024, value, 1024));
    EXPECT_EQ(name, WString(41, u'n'));
    EXPECT_EQ(value, u"v");
}

TEST(ConfigFile, AFileThatCannotBeOpenedIsReportedOnlyWithAnOwner) {
    ScratchFolder folder;
    const WString missing = folder / u"renovo.cfg";
    MessageRecorder owner;
    cConfigFile file;
    EXPECT_FALSE(file.Open(missing, &owner));
    EXPECT_FALSE(file.IsOpen());
    ASSERT_EQ(owner.shown.size(), 1u);
    EXPECT_EQ(owner.shown[0].text, u"Error in opening file\n'" + missing + u"'");
    EXPECT_EQ(owner.shown[0].caption, u"Renovo");
    EXPECT_EQ(owner.shown[0].style, kMessageErrorIcon);

    // Quiet without an owner; a folder and a file too large for a text file
    // do not open either.
    EXPECT_FALSE(file.Open(missing, nullptr));
    EXPECT_FALSE(file.Open(folder.Path(), nullptr));
    const WString large = folder.Write(u"large.ini", "[Main]\nProductName=x\n");
    std::filesystem::resize_file(std::filesystem::path(large), cStringFile::kMaxFileBytes + 1);
    EXPECT_FALSE(file.Open(large, &owner));
    EXPECT_EQ(owner.shown.size(), 2u);
    std::filesystem::resize_file(std::filesystem::path(large), cStringFile::kMaxFileBytes);
    ASSERT_TRUE(file.Open(large, nullptr));
    EXPECT_EQ(Value(file, u"[Main]", u"ProductName"), u"x");

    // A failed open forgets the text of an earlier one.
    EXPECT_FALSE(file.Open(missing, nullptr));
    EXPECT_FALSE(file.FindSection(u"[Main]"));
}

}  // namespace
}  // namespace updater

#include "langfile/po_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"

namespace langfile {
namespace {

TEST(PoReader, ReadsWhatTranslatorsToolsWrite) {
    const char* text =
        "\xEF\xBB\xBF# translator comment\r\n"
        "msgid \"\"\r\n"
        "msgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\r\n"
        "\r\n"
        "#. extracted\n#: file.cpp:12\n#, c-format\n"
        "msgid \"Line one\\n\"\n"
        "\"Line two %s\"\n"
        "msgstr \"\"\n"
        "\"Zeile eins\\n\"\n"
        "\"Zeile zwei %s \\\"\\t\\\\ \\101\\x42\"\n"
        "\n"
        "#, fuzzy\nmsgid \"Guessed\"\nmsgstr \"Geraten\"\n\n"
        "msgctxt \"menu\"\nmsgid \"Open\"\nmsgstr \"Öffnen\"\n\n"
        "msgid \"file\"\nmsgid_plural \"files\"\nmsgstr[0] \"Datei\"\nmsgstr[1] \"Dateien\"\n\n"
        "msgid \"Untranslated\"\nmsgstr \"\"\n"
        "#~ msgid \"Old\"\n#~ msgstr \"Alt\"\n"
        "msgid \"Weekly\"\nmsgstr \"Wöchentlich\"";  // no final line break
    Catalog catalog;
    const PoResult result = ReadPo(text, catalog);
    ASSERT_TRUE(result.ok) << result.line << ": " << result.error;
    EXPECT_EQ(catalog.size(), 2u);
    EXPECT_EQ(catalog[u"Line one\nLine two %s"], u"Zeile eins\nZeile zwei %s \"\t\\ AB");
    EXPECT_EQ(catalog[u"Weekly"], u"W\u00f6chentlich");
    // Fuzzy, context, plural and untranslated entries are not used.
    EXPECT_EQ(catalog.count(u"Guessed") + catalog.count(u"Open") + catalog.count(u"file") +
                  catalog.count(u"Untranslated") + catalog.count(u"Old"),
              0u);
}

TEST(PoReader, RefusesMalformedInputNamingTheLine) {
    struct Case {
        const char* text;
        size_t line;
        const char* error;
    };
    const Case cases[] = {
        {"msgid \"a\"\nmsgstr \"b", 2, "unterminated string"},
        {"msgid \"a\"\n", 1, "msgid without msgstr"},
        {"msgid \"a\"\nmsgid \"b\"\nmsgstr \"c\"\n", 2, "msgid follows a msgid without msgstr"},
        {"msgstr \"b\"\n", 1, "msgstr out of place"},
        {"\"loose\"\n", 1, "string without a keyword"},
        {"msgid \"a\"\nmsgstr \"b\" x\n", 2, "text after the closing quote"},
        {"msgid \"a\\q\"\nmsgstr \"b\"\n", 1, "unknown escape sequence \\q"},
        {"msgid \"a\\0\"\nmsgstr \"b\"\n", 1, "NUL character in a string"},
        {"msgid \"a\"\nmsgstr \"\\xff\"\n", 1, "text is not valid UTF-8"},
        {"msgid \"a\"\nmsgstr \"\xC0\x80\"\n", 1, "text is not valid UTF-8"},
        {"msgid \"a\"\nmsgstr \"b\"\nmsgid \"a\"\nmsgstr \"c\"\n", 3,
         "duplicate message definition"},
        {"msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n", 1,
         "the header names a charset other than UTF-8"},
        {"msgid \"a\"\nmsgid_plural \"b\"\nmsgstr \"c\"\n", 3, "plural entry needs msgstr[N]"},
        {"msgid \"a\"\nmsgstr[0] \"c\"\n", 2, "msgstr[N] without msgid_plural"},
        {"msgfoo \"a\"\n", 1, "unknown keyword 'msgfoo'"},
        {"msgid\n", 1, "expected a quoted string"},
    };
    for (const Case& c : cases) {
        Catalog catalog{{u"stale", u"entry"}};
        const PoResult result = ReadPo(c.text, catalog);
        EXPECT_FALSE(result.ok) << c.text;
        EXPECT_EQ(result.line, c.line) << c.text;
        EXPECT_EQ(result.error, c.error) << c.text;
        EXPECT_TRUE(catalog.empty()) << c.text;
    }
    Catalog catalog;
    EXPECT_FALSE(ReadPo(std::string(kMaxPoSize + 1, '#'), catalog).ok);
    EXPECT_TRUE(ReadPo("", catalog).ok);
    EXPECT_TRUE(catalog.empty());
}

// The shipped German file: read by our reader, and by msgfmt where it exists.
TEST(PoReader, ReadsTheGermanTranslation) {
    const std::u16string path = qo::test::SourceFile({u"langfile", u"po", u"de.po"});
    const std::string bytes = qo::test::ReadFileBytes(path);
    ASSERT_FALSE(bytes.empty());
    Catalog catalog;
    const PoResult result = ReadPo(bytes, catalog);
    ASSERT_TRUE(result.ok) << result.line << ": " << result.error;
    EXPECT_EQ(catalog[u"KV Automatic Update"], u"KV Automatische Aktualisierung");
    EXPECT_EQ(catalog[u"%s ( %s of %s copied )"], u"%s ( %s von %s kopiert )");
    EXPECT_EQ(catalog[u"Weeks"], u"Wochen");
    EXPECT_EQ(catalog[u"LANGUAGE_LOCALE_NUMBER"], u"0x407");
#ifndef _WIN32
    std::string output;
    EXPECT_EQ(qo::test::RunShell("command -v msgfmt >/dev/null 2>&1 || exit 0; msgfmt --check -o "
                                 "/dev/null " +
                                     qo::test::ShellPath(path),
                                 output),
              0);
#endif
}

}  // namespace
}  // namespace langfile

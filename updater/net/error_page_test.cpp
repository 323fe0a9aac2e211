#include "updater/net/error_page.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

TEST(ErrorPage, FindsElementsAsTheDownloadReadsThem) {
    struct Case {
        std::string_view bytes;
        std::optional<std::string_view> content;  // none: no element
        std::string_view rest = {};
    };
    const Case cases[] = {
        {"<b>x</b>tail", "x", "tail"},
        {" \t\r\n<b>x</b>", "x", ""},
        {"<!DOCTYPE html>rest", "DOCTYPE html", "rest"},
        {"<!>", "", ""},
        {"<p class=a>t</p class=a>!", "t", "!"},  // attributes repeat in the closing tag
        {"<p class=a>t</p>", std::nullopt},
        {"<B>x</b>", std::nullopt},  // case-sensitive
        {"<>x</>", std::nullopt},    // an opening part shorter than 3 bytes
        {"<a", std::nullopt},
        {"<ab", std::nullopt},  // no ">"
        {"ab", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"x<b>x</b>", std::nullopt},
        {"<!-- no end", std::nullopt},
        {std::string_view("<b>\0</b>z", 9), std::string_view("\0", 1), "z"},
    };
    for (const Case& c : cases) {
        const std::optional<MarkupElement> element = FirstMarkupElement(c.bytes);
        ASSERT_EQ(element.has_value(), c.content.has_value()) << c.bytes;
        if (element) {
            EXPECT_EQ(element->content, *c.content) << c.bytes;
            EXPECT_EQ(element->rest, c.rest) << c.bytes;
        }
    }
}

TEST(ErrorPage, ADocumentTypeDeclarationMakesAnErrorPage) {
    struct Case {
        std::string_view chunk;
        bool isErrorPage;
        std::optional<std::string_view> title = std::nullopt;
    };
    const Case cases[] = {
        {"\n <!DOCTYPE html><html><head><title>Blocked</title></head></html>", true, "Blocked"},
        {"<!DOCTYPE x><html><head><title></title></head></html>", true, ""},
        {"<!DOCTYPE html><html><body>oops</body></html>", true},
        {"<!DOCTYPE html>no markup", true},
        {"<!DOCTYPE html><html><head><title>cut", true},
        {"<!DOCTYPE>", false},  // content of 7 bytes is too short
        {"<!DOCTYPEx>", true},
        {"<!doctype html><html><head><title>t</title></head></html>", false},
        {"<html><head><title>t</title></head></html>", false},
        {"MZ\x90\0binary", false},
        {"", false},
    };
    for (const Case& c : cases) {
        const ErrorPageVerdict verdict = TestErrorPage(c.chunk);
        EXPECT_EQ(verdict.isErrorPage, c.isErrorPage) << c.chunk;
        EXPECT_EQ(verdict.title, c.title) << c.chunk;
    }
}

}  // namespace
}  // namespace updater

// Recognises an HTML error page that a site or a proxy sends in place of the
// file asked for, from the first chunk of the response. Pure functions over a
// byte range; any thread may call them.
#pragma once

#include <optional>
#include <string_view>

namespace updater {

// One markup element read from the start of a byte range.
struct MarkupElement {
    std::string_view content;  // between the opening part and the closing text
    std::string_view rest;     // what follows the closing text
};

// Reads the first element of bytes: leading tab, line feed, carriage return and
// space are skipped; "<!" opens an element closed by ">"; any other "<tag ...>"
// is closed by "</tag ...>" repeating the opening text after its "<" exactly
// (attributes included, case-sensitive). None when bytes hold no element.
std::optional<MarkupElement> FirstMarkupElement(std::string_view bytes);

struct ErrorPageVerdict {
    bool isErrorPage = false;
    // The page title (the content of the element nested three deep after the
    // document type declaration: html, head, title) when all three are there.
    std::optional<std::string_view> title;
};

// A chunk is an error page when its first element is a document type
// declaration: content longer than 7 bytes that starts with "DOCTYPE"
// (case-sensitive).
ErrorPageVerdict TestErrorPage(std::string_view chunk);

}  // namespace updater

#include "updater/net/error_page.h"

#include <string>

namespace updater {
namespace {

constexpr std::string_view kBlanks = "\t\n\r ";
constexpr std::string_view kDocType = "DOCTYPE";

}  // namespace

std::optional<MarkupElement> FirstMarkupElement(std::string_view bytes) {
    const size_t start = bytes.find_first_not_of(kBlanks);
    if (start == std::string_view::npos)
        return std::nullopt;
    bytes.remove_prefix(start);
    if (bytes.size() < 3 || bytes[0] != '<')
        return std::nullopt;

    std::string_view opening;
    std::string closing;
    if (bytes[1] == '!') {
        opening = bytes.substr(0, 2);
        closing = ">";
    } else {
        const size_t end = bytes.find('>', 1);
        if (end == std::string_view::npos || end + 1 < 3)
            return std::nullopt;
        opening = bytes.substr(0, end + 1);
        closing = "</";
        closing += opening.substr(1);
    }
    const std::string_view after = bytes.substr(opening.size());
    const size_t close = after.find(closing);
    if (close == std::string_view::npos)
        return std::nullopt;
    return MarkupElement{after.substr(0, close), after.substr(close + closing.size())};
}

ErrorPageVerdict TestErrorPage(std::string_view chunk) {
    ErrorPageVerdict verdict;
    const std::optional<MarkupElement> first = FirstMarkupElement(chunk);
    if (!first || first->content.size() <= kDocType.size() ||
        first->content.substr(0, kDocType.size()) != kDocType)
        return verdict;
    verdict.isErrorPage = true;
    const std::optional<MarkupElement> html = FirstMarkupElement(first->rest);
    if (!html)
        return verdict;
    const std::optional<MarkupElement> head = FirstMarkupElement(html->content);
    if (!head)
        return verdict;
    const std::optional<MarkupElement> title = FirstMarkupElement(head->content);
    if (title)
        verdict.title = title->content;
    return verdict;
}

}  // namespace updater

#include "wizard/app/pages/testing/fake_page_view.h"

namespace wizard::pages::testing {

std::string Utf8(const WString& text) {
    return platform::ToUtf8(text);
}

WString FakePageView::Text(int id) const {
    const auto it = texts.find(id);
    return it == texts.end() ? WString() : it->second;
}

bool FakePageView::Checked(int id) const {
    const auto it = checked_.find(id);
    return it != checked_.end() && it->second;
}

void FakePageView::SetEnabled(int id, bool enabled) {
    if (enabled)
        disabled.erase(id);
    else
        disabled.insert(id);
}

void FakePageView::SetVisible(int id, bool visible) {
    if (visible)
        hidden.erase(id);
    else
        hidden.insert(id);
}

void FakePageView::SetListColumns(int id, const std::vector<WString>& headers) {
    listColumns[id] = headers;
}

void FakePageView::SetListRows(int id, const std::vector<ListRow>& rows,
                               std::optional<int32_t> selectedValue) {
    listRows[id] = rows;
    listSelection[id].reset();
    for (size_t i = 0; selectedValue && i < rows.size(); ++i)
        if (rows[i].value == *selectedValue)
            listSelection[id] = i;
}

void FakePageView::SelectRow(int id, std::optional<size_t> row) {
    listSelection[id] = row;
}

std::optional<int32_t> FakePageView::SelectedListValue(int id) const {
    const auto sel = listSelection.find(id);
    const auto rows = listRows.find(id);
    if (sel == listSelection.end() || !sel->second || rows == listRows.end() ||
        *sel->second >= rows->second.size())
        return std::nullopt;
    return rows->second[*sel->second].value;
}

void FakePageView::AddComboItem(int id, const WString& text, int32_t value) {
    combos[id].emplace_back(text, value);
}

void FakePageView::SelectComboValue(int id, int32_t value) {
    comboSelection[id] = -1;
    const auto& items = combos[id];
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].second == value)
            comboSelection[id] = static_cast<int32_t>(i);
}

int32_t FakePageView::SelectedComboValue(int id) const {
    const auto sel = comboSelection.find(id);
    const auto items = combos.find(id);
    if (sel == comboSelection.end() || items == combos.end() || sel->second < 0 ||
        static_cast<size_t>(sel->second) >= items->second.size())
        return -1;
    return items->second[static_cast<size_t>(sel->second)].second;
}

MessageAnswer FakePageView::ShowMessage(const WString& text, MessageButtons buttons, MessageIcon) {
    messages.push_back({text, buttons});
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    if (answers.empty())
        return MessageAnswer::No;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<WString> FakePageView::BrowseForFile(const FileDialogRequest& request) {
    browseRequests.push_back(request);
    return browseResult;
}

void FakePageView::MoveTo(WindowPoint point) {
    movedTo = point;
    position = point;
}

}  // namespace wizard::pages::testing

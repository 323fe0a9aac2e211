// A PageView for tests: keeps every control's state in memory, answers message
// boxes from a script and records what the page showed.
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>

#include "wizard/app/pages/page_view.h"

namespace wizard::pages::testing {

struct ShownMessage {
    WString text;
    MessageButtons buttons;
};

class FakePageView : public PageView {
  public:
    WString Text(int id) const override;
    void SetText(int id, const WString& text) override { texts[id] = text; }
    bool Checked(int id) const override;
    void SetChecked(int id, bool checked) override { checked_[id] = checked; }
    void SetEnabled(int id, bool enabled) override;
    void SetVisible(int id, bool visible) override;
    void SetCueBanner(int id, const WString& text) override { cueBanners[id] = text; }
    void SetTextLimit(int id, size_t maxChars) override { textLimits[id] = maxChars; }
    void SetFontHeight(int id, int height) override { fonts[id] = height; }
    void SetTextColor(int id, Rgb color) override { colors[id] = color; }
    void SetIcon(int id, int iconResource) override { icons[id] = iconResource; }
    void SetListColumns(int id, const std::vector<WString>& headers) override;
    void SetListRows(int id, const std::vector<ListRow>& rows,
                     std::optional<int32_t> selectedValue) override;
    std::optional<int32_t> SelectedListValue(int id) const override;
    void ClearCombo(int id) override {
        combos[id].clear();
        comboSelection[id] = -1;
    }
    void AddComboItem(int id, const WString& text, int32_t value) override;
    void SelectComboValue(int id, int32_t value) override;
    int32_t SelectedComboValue(int id) const override;
    void SetProgress(int id, int position) override { progress[id] = position; }
    MessageAnswer ShowMessage(const WString& text, MessageButtons buttons,
                              MessageIcon icon) override;
    std::optional<WString> BrowseForFile(const FileDialogRequest& request) override;
    void OpenHelp(const WString& topic) override { helpTopics.push_back(topic); }
    WindowPoint Position() const override { return position; }
    void MoveTo(WindowPoint point) override;
    void Close(PageResult result) override { closed = result; }

    // What a user does: ticks a box, selects a row (by its position in the list).
    void Tick(int id, bool checked) { checked_[id] = checked; }
    void SelectRow(int id, std::optional<size_t> row);
    bool Enabled(int id) const { return !disabled.count(id); }
    bool Visible(int id) const { return !hidden.count(id); }
    // The text of the last message shown, or empty.
    WString LastMessage() const { return messages.empty() ? WString() : messages.back().text; }

    std::map<int, WString> texts;
    std::map<int, WString> cueBanners;
    std::map<int, size_t> textLimits;
    std::map<int, int> fonts;
    std::map<int, Rgb> colors;
    std::map<int, int> icons;
    std::map<int, std::vector<WString>> listColumns;
    std::map<int, std::vector<ListRow>> listRows;
    std::map<int, std::optional<size_t>> listSelection;  // row position
    std::map<int, std::vector<std::pair<WString, int32_t>>> combos;
    std::map<int, int32_t> comboSelection;  // item position, -1 none
    std::map<int, int> progress;
    std::set<int> disabled, hidden;
    std::vector<ShownMessage> messages;
    std::deque<MessageAnswer> answers;  // for Yes/No boxes; empty = No
    std::optional<WString> browseResult;
    std::vector<FileDialogRequest> browseRequests;
    std::vector<WString> helpTopics;
    WindowPoint position{};
    std::optional<WindowPoint> movedTo;
    std::optional<PageResult> closed;

  private:
    std::map<int, bool> checked_;
};

// UTF-8 for readable test failures.
std::string Utf8(const WString& text);

}  // namespace wizard::pages::testing

// The version list as a plain-text table for a terminal: a VersionListView
// that keeps the rows and renders them under the list's column titles, with
// a mark for each row's state:
//   "<"  the site offers a newer version
//   ">"  the installed version is the higher one
//   "="  the versions compare equal
// Titles are translated through the language layer when one is active.
// Rows without both versions (the "No differences found" and "Does not
// exist" rows) get no mark. One thread at a time.
#pragma once

#include <string>
#include <vector>

#include "updater/app/version_list.h"
#include "updater/support/string_resources.h"

namespace updater {

class TextVersionTable : public VersionListView {
  public:
    void Clear() override { rows_.clear(); }
    void Add(const VersionRow& row) override { rows_.push_back(row); }
    const std::vector<VersionRow>& Rows() const { return rows_; }

    // The table in UTF-8, one line per row after the title line, each ending
    // in "\n". The file name is aligned left, the other columns right (as in
    // the window's list); no line ends in blanks.
    std::string Render(const StringResources& strings) const;

  private:
    std::vector<VersionRow> rows_;
};

}  // namespace updater

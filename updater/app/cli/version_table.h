// The Versions Information list on a terminal: the rows a fill adds, kept in
// order, and printed as a table under the list's column titles. Main thread
// only.
#pragma once

#include <cstdio>
#include <vector>

#include "updater/app/version_list.h"
#include "updater/support/string_resources.h"

namespace updater::cli {

class VersionTable : public VersionListView {
  public:
    void Clear() override { rows_.clear(); }
    void Add(const VersionRow& row) override { rows_.push_back(row); }
    const std::vector<VersionRow>& Rows() const { return rows_; }

  private:
    std::vector<VersionRow> rows_;
};

// The table as text: a title line of the column titles (strings 108, 110,
// 111, 114, 115), then one line per row, each column as wide as its widest
// text; the file name left-aligned, the others right-aligned as in the
// window's list. A row whose new version is higher ends in " *", one whose
// installed version is higher in " <".
std::string VersionTableText(const std::vector<VersionRow>& rows, const StringResources& strings);

}  // namespace updater::cli

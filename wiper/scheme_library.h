// SchemeLibrary: the scheme files the configuration archive brought
// (/tmp/scheme), parsed with the wizard's own scheme grammar, in the wizard's
// catalogue order (heaviest first, then by file name). Built once on the main
// thread, then read by any thread.
#pragma once

#include <string>
#include <vector>

#include "wizard/bootconfig/scheme_parser.h"

namespace wiper {

struct LoadedScheme {
    std::string name;  // the display name
    std::string file;  // the file name without its extension, as policy.cfg names it
    std::vector<wizard::SchemePass> passes;
    int32_t weight = 0;
};

class SchemeLibrary {
  public:
    // Reads every file of folder that the catalogue would accept; files it
    // would leave out are listed in rejected.
    void Load(const std::string& folder);

    const std::vector<LoadedScheme>& schemes() const { return schemes_; }
    const std::vector<std::string>& rejected() const { return rejected_; }
    // The position of the scheme that policy.cfg names, or -1.
    int Find(const std::string& policyName) const;

  private:
    std::vector<LoadedScheme> schemes_;
    std::vector<std::string> rejected_;
};

}  // namespace wiper

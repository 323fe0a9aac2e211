// Where the string resources of a program come from: on Windows the string
// table of a module (win32/module_strings.h); elsewhere a table the program
// fills. Read-only after set-up; any thread may read.
#pragma once

#include <map>

#include "platform/text.h"

namespace updater {

class StringResources {
  public:
    virtual ~StringResources() = default;
    // The resource string of id as it stands; false when there is none.
    virtual bool Load(unsigned id, platform::WString& text) const = 0;
};

// String resources held in memory.
class StringTable : public StringResources {
  public:
    void Add(unsigned id, platform::WString text) { strings_[id] = std::move(text); }
    bool Load(unsigned id, platform::WString& text) const override {
        const auto found = strings_.find(id);
        if (found == strings_.end())
            return false;
        text = found->second;
        return true;
    }

  private:
    std::map<unsigned, platform::WString> strings_;
};

}  // namespace updater

// The update program's string resources on Windows: the module's string
// table, and the English table for a text the module lacks (so a program
// built without its string table still speaks). Any thread may read.
#pragma once

#include <windows.h>

#include "updater/support/win32/module_strings.h"

namespace updater {

class ProgramStrings : public StringResources {
  public:
    explicit ProgramStrings(HINSTANCE instance) : module_(instance) {}
    bool Load(unsigned id, platform::WString& text) const override;

  private:
    ModuleStrings module_;
};

}  // namespace updater

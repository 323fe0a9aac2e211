// String resources of a loaded module (its string table), for
// cLangFile::LoadString. Any thread may read them.
#pragma once

#include "updater/support/string_resources.h"

namespace updater {

class ModuleStrings : public StringResources {
  public:
    explicit ModuleStrings(void* instance) : instance_(instance) {}
    bool Load(unsigned id, platform::WString& text) const override;

  private:
    void* instance_;  // HINSTANCE
};

}  // namespace updater

#include "updater/app/win32/program_strings.h"

#include "updater/app/updater_strings.h"

namespace updater {

bool ProgramStrings::Load(unsigned id, platform::WString& text) const {
    return module_.Load(id, text) || EnglishStrings().Load(id, text);
}

}  // namespace updater

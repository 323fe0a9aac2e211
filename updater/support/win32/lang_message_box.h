// Message boxes of the updater with the language's reading direction: right-to-
// left reading and alignment when the active language reads so; an owner that
// is not a window is replaced by the desktop window. Interface thread.
#pragma once

#include "platform/text.h"

namespace updater {

int LangMessageBox(void* owner, platform::WStringView text, platform::WStringView caption,
                   unsigned flags);

}  // namespace updater

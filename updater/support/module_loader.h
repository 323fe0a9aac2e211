// The module loader of the update program: loads an optional system library
// by name and, when it cannot be loaded, tells the user which one and why.
// Any thread may call it; the message is shown on the calling thread.
#pragma once

#include "platform/library.h"
#include "platform/text.h"
#include "updater/support/message_owner.h"

namespace updater {

// Loads name into library. On failure shows "Can not load module '<name>'"
// and the system error number under the caption "Error" with an error icon.
bool LoadModuleReporting(platform::Library& library, platform::WStringView name,
                         MessageOwner& owner);

// The calling thread's last system error number (Windows: GetLastError;
// Linux: errno).
int LastSystemError();

}  // namespace updater

#include <windows.h>

#include "platform/library.h"
#include "updater/support/lang_file.h"

namespace updater {

// SetProcessDefaultLayout is loaded by name for the call, as every optional
// system entry point of the updater is.
void SetProcessLayout(bool rightToLeft) {
    platform::Library user32;
    if (!user32.LoadSystem(u"user32.dll"))
        return;
    using SetLayoutFn = BOOL WINAPI(DWORD);
    SetLayoutFn* setLayout = nullptr;
    if (platform::ResolveInto(user32, {platform::Entry("SetProcessDefaultLayout", setLayout)}))
        setLayout(rightToLeft ? LAYOUT_RTL : 0);
}

bool ProcessLayoutIsRightToLeft() {
    DWORD layout = 0;
    return GetProcessDefaultLayout(&layout) && (layout & LAYOUT_RTL) != 0;
}

}  // namespace updater

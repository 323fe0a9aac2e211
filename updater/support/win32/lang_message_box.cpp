#include "updater/support/win32/lang_message_box.h"

#include <windows.h>

#include "platform/win32/wide.h"
#include "updater/support/lang_file.h"

namespace updater {

int LangMessageBox(void* owner, platform::WStringView text, platform::WStringView caption,
                   unsigned flags) {
    HWND window = static_cast<HWND>(owner);
    if (window == nullptr || !IsWindow(window))
        window = GetDesktopWindow();
    if (const cLangFile* lang = cLangFile::Registered())
        flags = lang->MessageBoxStyle(flags);
    const platform::WString body(text), title(caption);
    return MessageBoxW(window, platform::Wide(body), platform::Wide(title), flags);
}

}  // namespace updater

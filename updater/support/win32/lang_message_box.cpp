#include "updater/support/win32/lang_message_box.h"

#include <windows.h>

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
    return MessageBoxW(window, reinterpret_cast<const wchar_t*>(body.c_str()),
                       reinterpret_cast<const wchar_t*>(title.c_str()), flags);
}

}  // namespace updater

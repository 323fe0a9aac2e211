#include "help.h"

#include <windows.h>

#include "platform/files.h"
#include "platform/library.h"

namespace wizard::win32 {
namespace {

constexpr size_t kHelpPathChars = 520;
constexpr UINT kDisplayTableOfContents = 1;

// The help path of the last request; the help thread reads it.
wchar_t helpPath[kHelpPathChars];

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

DWORD WINAPI HelpThread(LPVOID) {
    platform::Library viewer;
    if (!viewer.LoadSystem(u"hhctrl.ocx"))
        return 0;
    HtmlHelpFunction htmlHelp = nullptr;
    if (!platform::ResolveInto(viewer, {platform::Entry("HtmlHelpW", htmlHelp)}))
        return 0;
    HWND window = htmlHelp(GetDesktopWindow(), helpPath, kDisplayTableOfContents, 0);
    // The viewer's window lives on this thread: serve it until it is closed.
    MSG message;
    while (window && IsWindow(window) && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

void OpenHelpTopic(const platform::WString& topic) {
    const platform::WString file = platform::JoinPath(platform::ProgramFolder(), u"iso_conf.chm");
    if (!platform::PathExists(file))
        return;
    const platform::WString path = file + topic;
    if (path.size() >= kHelpPathChars)
        return;
    std::copy(path.begin(), path.end(), helpPath);
    helpPath[path.size()] = L'\0';
    if (HANDLE thread = CreateThread(nullptr, 0, HelpThread, nullptr, 0, nullptr))
        CloseHandle(thread);
}

}  // namespace wizard::win32

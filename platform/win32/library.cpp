#include "platform/library.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace platform {
namespace {

bool IsUsableName(WStringView name) {
    return !name.empty() && name.find(u'\0') == WStringView::npos;
}

bool HasPathPart(WStringView name) {
    return name.find_first_of(u"\\/:") != WStringView::npos;
}

// Keeps the system from showing an error box for a missing or broken dependency.
class QuietErrors {
  public:
    QuietErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_); }
    ~QuietErrors() { SetThreadErrorMode(old_, nullptr); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

  private:
    DWORD old_ = 0;
};

// Windows 7 without the search-flags update rejects LOAD_LIBRARY_SEARCH_SYSTEM32;
// then the full path in the system folder is loaded.
HMODULE LoadFromSystemFolder(const WString& name) {
    HMODULE module = LoadLibraryExW(Wide(name), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const WString path = FromWide(folder, length) + u'\\' + name;
    return LoadLibraryW(Wide(path));
}

}  // namespace

bool Library::Load(WStringView nameOrPath) {
    Unload();
    if (!IsUsableName(nameOrPath))
        return false;
    const WString name(nameOrPath);
    QuietErrors quiet;
    handle_ = LoadLibraryW(Wide(name));
    return handle_ != nullptr;
}

bool Library::LoadSystem(WStringView name) {
    Unload();
    if (!IsUsableName(name) || HasPathPart(name))
        return false;
    QuietErrors quiet;
    handle_ = LoadFromSystemFolder(WString(name));
    return handle_ != nullptr;
}

void Library::Unload() {
    if (handle_ != nullptr)
        FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

void* Library::Resolve(const char* name) const {
    if (handle_ == nullptr || name == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace platform

#include "platform/library.h"

#include <dlfcn.h>

#include <string>

namespace platform {
namespace {

bool IsUsableName(WStringView name) {
    return !name.empty() && name.find(u'\0') == WStringView::npos;
}

}  // namespace

bool Library::Load(WStringView nameOrPath) {
    Unload();
    if (!IsUsableName(nameOrPath))
        return false;
    const std::string name = ToUtf8(nameOrPath);
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle_ != nullptr;
}

bool Library::LoadSystem(WStringView name) {
    // A '/' would make dlopen take the name as a path, possibly in the current folder.
    if (name.find(u'/') != WStringView::npos) {
        Unload();
        return false;
    }
    return Load(name);
}

void Library::Unload() {
    if (handle_ != nullptr)
        dlclose(handle_);
    handle_ = nullptr;
}

void* Library::Resolve(const char* name) const {
    if (handle_ == nullptr || name == nullptr)
        return nullptr;
    return dlsym(handle_, name);
}

}  // namespace platform

#include "platform/library.h"

#include <vector>

namespace platform {

Library::~Library() {
    Unload();
}

Library::Library(Library&& other) noexcept : handle_(other.handle_) {
    other.handle_ = nullptr;
}

Library& Library::operator=(Library&& other) noexcept {
    if (this != &other) {
        Unload();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

bool Library::ResolveAll(const char* const* names, void** const* slots, size_t count) const {
    if (count > 0 && (names == nullptr || slots == nullptr))
        return false;
    bool complete = true;
    for (size_t i = 0; i < count; ++i) {
        void* address = slots[i] != nullptr ? Resolve(names[i]) : nullptr;
        if (address == nullptr) {
            complete = false;
            break;
        }
        *slots[i] = address;
    }
    if (!complete) {
        for (size_t i = 0; i < count; ++i) {
            if (slots[i] != nullptr)
                *slots[i] = nullptr;
        }
    }
    return complete;
}

bool ResolveInto(const Library& library, std::initializer_list<EntryPoint> entries) {
    std::vector<const char*> names;
    std::vector<void**> slots;
    for (const EntryPoint& entry : entries) {
        names.push_back(entry.name);
        slots.push_back(entry.slot);
    }
    return library.ResolveAll(names.data(), slots.data(), entries.size());
}

}  // namespace platform

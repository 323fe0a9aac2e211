// Shared libraries loaded by name at run time, with a set of entry points that
// is resolved completely or not at all. Any thread may call these functions; a
// Library object itself is used by one thread at a time.
#pragma once

#include <cstddef>
#include <initializer_list>

#include "platform/text.h"

namespace platform {

class Library {
  public:
    Library() = default;
    ~Library();  // unloads
    Library(Library&& other) noexcept;
    Library& operator=(Library&& other) noexcept;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // Loads a library by file name or full path (the system's search order;
    // Linux: RTLD_NOW | RTLD_LOCAL). A library loaded before is unloaded first,
    // so after a failure nothing is loaded. Windows shows no error box for a
    // missing dependency.
    bool Load(WStringView nameOrPath);
    // Loads a system library by plain file name from the system folder only
    // (Windows); on Linux the system's search order, as Load. A name with a
    // path part is refused on both targets.
    bool LoadSystem(WStringView name);
    void Unload();
    bool IsLoaded() const { return handle_ != nullptr; }

    // Resolves names[i] into *slots[i] for every i. All or none: when any name
    // is missing (or the library is not loaded), every slot is set to null and
    // false is returned.
    bool ResolveAll(const char* const* names, void** const* slots, size_t count) const;
    // Address of one entry point, null when missing or nothing is loaded.
    void* Resolve(const char* name) const;

  private:
    void* handle_ = nullptr;
};

// Typed form: ResolveInto(lib, {Entry("name", fn), ...}); all or none as ResolveAll.
struct EntryPoint {
    const char* name;
    void** slot;
};
template <typename Fn>
EntryPoint Entry(const char* name, Fn*& slot) {
    return EntryPoint{name, reinterpret_cast<void**>(&slot)};
}
bool ResolveInto(const Library& library, std::initializer_list<EntryPoint> entries);

}  // namespace platform

// Owners of the GDI objects and icons the dialogs create.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace updater {

struct GdiObjectDeleter {
    void operator()(void* object) const {
        if (object != nullptr)
            DeleteObject(static_cast<HGDIOBJ>(object));
    }
};
using BrushHandle = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

}  // namespace updater

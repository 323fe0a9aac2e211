#include <windows.h>

#include "updater/support/module_loader.h"

namespace updater {

int LastSystemError() {
    return static_cast<int>(GetLastError());
}

}  // namespace updater

#include <cerrno>

#include "updater/support/module_loader.h"

namespace updater {

int LastSystemError() {
    return errno;
}

}  // namespace updater

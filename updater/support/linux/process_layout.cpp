#include <atomic>

#include "updater/support/lang_file.h"

namespace updater {
namespace {

std::atomic<bool> rightToLeftLayout{false};

}  // namespace

// The command line has no windows to mirror; the setting is kept for its output.
void SetProcessLayout(bool rightToLeft) {
    rightToLeftLayout = rightToLeft;
}

bool ProcessLayoutIsRightToLeft() {
    return rightToLeftLayout;
}

}  // namespace updater

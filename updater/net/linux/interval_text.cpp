// Linux has no interval formatter of the system: the own text is used.
#include "updater/net/time_span_text.h"

namespace updater {

std::optional<platform::WString> SystemIntervalText(uint32_t, int) {
    return std::nullopt;
}

}  // namespace updater

// The wiping environment's readers of wipe_config and policy.cfg: any bytes
// give settings or an error, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "wiper/wipe_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const wiper::WipeConfig config = wiper::ParseWipeConfig(text);
    if (config.password.size() > size || config.share.size() > size)
        std::abort();
    wiper::WipePolicy policy;
    std::string error;
    if (!wiper::ParsePolicy(text, policy, error) && error.empty())
        std::abort();
    for (const wiper::ClassPolicy& c : policy.classes) {
        if (c.present && c.scheme.empty())
            std::abort();
    }
    return 0;
}

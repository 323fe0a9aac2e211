#include "wizard/media/build_stamp.h"

#include <chrono>
#include <cstdio>

namespace wizard {
namespace {

uint32_t TickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// A 32-bit finaliser: close times give unrelated serial numbers.
uint32_t Mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

}  // namespace

uint32_t SerialNumber(const BuildStamp& stamp, StampSerial kind) {
    if (!stamp.time)
        return TickCount();
    const uint32_t value = Mix(*stamp.time ^ (static_cast<uint32_t>(kind) * 0x9E3779B9u));
    return value != 0 ? value : 1;
}

std::string VolumeDateText(uint32_t time) {
    using namespace std::chrono;
    const sys_seconds at{seconds{time}};
    const sys_days day = floor<days>(at);
    const year_month_day date{day};
    const hh_mm_ss<seconds> clock{at - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02u%02u%02d%02d%02d00", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

}  // namespace wizard

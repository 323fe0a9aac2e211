// BuildStamp: what makes two builds of the same medium from the same settings
// and payload byte-identical. A stamp with a time puts that one time wherever
// the medium would carry the clock (archive members, file and volume dates)
// and derives the serial numbers (disk signature, FAT volume serial) from it;
// a stamp without one keeps the clock and the tick count.
//
// Pure functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace wizard {

struct BuildStamp {
    std::optional<uint32_t> time;  // seconds since 1970-01-01 00:00 UTC
};

// The serial numbers a build writes.
enum class StampSerial : uint32_t { DiskSignature = 1, VolumeSerial = 2 };

// A serial number: with a time, a value mixed from the time and the kind
// (never 0, different for each kind); without one, the system's millisecond
// tick count.
uint32_t SerialNumber(const BuildStamp& stamp, StampSerial kind);

// The time as "YYYYMMDDhhmmss00" in UTC, as ISO 9660 volume dates are written.
std::string VolumeDateText(uint32_t time);

}  // namespace wizard

// Fakes of a drive for the wiper's tests: a drive in memory that can fail a
// write, drop a write, return a flipped bit or change under the wipe, and an
// ATA port that answers from a script and records the commands it got.
#pragma once

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "wiper/ata_options.h"
#include "wiper/pass_executor.h"
#include "wiper/pass_plan.h"

namespace wiper::testing {

class FaultyTarget : public BlockTarget {
  public:
    explicit FaultyTarget(size_t size) : bytes(size, '\xa5') {}
    uint64_t Size() const override { return bytes.size(); }
    int WriteAt(uint64_t offset, const uint8_t* data, size_t size) override {
        if (offset + size > failAt && failAt >= offset)
            return EIO;
        if (!(dropAt >= offset && dropAt < offset + size))
            std::memcpy(bytes.data() + offset, data, size);
        return 0;
    }
    int ReadAt(uint64_t offset, uint8_t* data, size_t size) override {
        std::memcpy(data, bytes.data() + offset, size);
        if (flipAt >= offset && flipAt < offset + size)
            data[flipAt - offset] ^= 0x10;
        return 0;
    }
    int Flush() override { return 0; }
    bool StillSame() override { return ++writes <= changeAfter; }

    std::string bytes;
    uint64_t failAt = UINT64_MAX, dropAt = UINT64_MAX, flipAt = UINT64_MAX;
    int writes = 0, changeAfter = 1 << 30;
};

class ScriptedPort : public AtaPort {
  public:
    bool Execute(const AtaCommand& c, std::span<uint8_t> data, AtaRegisters& r, unsigned,
                 std::string& error) override {
        const uint8_t code = c.command == ata::kDeviceConfiguration ? c.feature : c.command;
        commands.push_back(code);
        if (code == refuse) {
            error = "refused";
            return false;
        }
        if (code == ata::kReadNativeMaxExt || code == ata::kReadNativeMax)
            r.lba = nativeMax;
        if (code == ata::kDcoIdentify) {
            for (int i = 0; i < 8; ++i)
                data[6 + i] = static_cast<uint8_t>(dcoMax >> (8 * i));
        }
        if (code == ata::kIdentify)
            std::copy(identify.begin(), identify.end(), data.begin());
        return true;
    }
    std::vector<uint8_t> commands;
    uint8_t refuse = 0;
    uint64_t nativeMax = 999, dcoMax = 0;
    std::array<uint8_t, 512> identify{};
};

class NoProgress : public ProgressSink {
  public:
    void OnProgress(const Progress&) override {}
};

// An IDENTIFY block: words little-endian, strings with the first character in
// the high byte, the checksum in word 255.
inline std::array<uint8_t, 512> IdentifyBlock(
    std::initializer_list<std::pair<int, uint16_t>> words) {
    std::array<uint8_t, 512> d{};
    auto put = [&](int w, uint16_t v) {
        d[2 * w] = static_cast<uint8_t>(v);
        d[2 * w + 1] = static_cast<uint8_t>(v >> 8);
    };
    const std::string serial = "  SN-0042           ",
                      model = "WDC WD10EZEX-00BN5A0                    ";
    for (size_t i = 0; i < serial.size(); i += 2)
        put(10 + static_cast<int>(i / 2), static_cast<uint16_t>(serial[i] << 8 | serial[i + 1]));
    for (size_t i = 0; i < model.size(); i += 2)
        put(27 + static_cast<int>(i / 2), static_cast<uint16_t>(model[i] << 8 | model[i + 1]));
    for (const auto& [w, v] : words)
        put(w, v);
    put(255, 0xA5);
    uint8_t sum = 0;
    for (int i = 0; i < 511; ++i)
        sum = static_cast<uint8_t>(sum + d[i]);
    d[511] = static_cast<uint8_t>(-sum);
    return d;
}

// A key made of counting bytes (each call goes on counting), so that the
// openssl command line can redo a random pass.
inline bool CountingKey(RandomKey& key) {
    static uint8_t next = 0;
    for (uint8_t& b : key.key)
        b = next++;
    for (uint8_t& b : key.nonce)
        b = next++;
    return true;
}

// The plan of a scheme text.
inline std::vector<PlannedPass> PlanOf(std::string_view scheme, bool classVerify = false) {
    std::string name;
    std::vector<wizard::SchemePass> passes;
    std::vector<PlannedPass> plan;
    if (wizard::ParseSchemePasses(scheme, name, passes))
        PlanPasses(passes, classVerify, CountingKey, plan);
    return plan;
}

}  // namespace wiper::testing

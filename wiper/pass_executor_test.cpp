#include "wiper/pass_executor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"
#include "wiper/linux/disk_target.h"
#include "wiper/testing/fake_drive.h"

namespace wiper {
namespace {

using qo::test::ReadFileBytes;
using testing::CountingKey;
using testing::FaultyTarget;
using testing::NoProgress;

std::string Repeat(std::string_view period, size_t size) {
    std::string out;
    while (out.size() < size)
        out += period;
    out.resize(size);
    return out;
}

// The passes run over a real file, through the same target that opens drives,
// in blocks smaller than the file (and not dividing it), so that patterns and
// random data cross block ends.
TEST(PassExecutor, WritesEveryPassKindOnAFile) {
    constexpr size_t kSize = (1 << 20) + 1536;
    const std::string fill(kSize, '\xa5');
    const struct {
        const char* scheme;
        std::string content;  // empty: random data, checked otherwise
        int verified;
    } cases[] = {
        {"[p]\n1. +2 55, aa, ff\n", Repeat("\x55\x55\xaa\xff", kSize), 0},
        {"[c]\n1. 12, 34, 56 verify\n2. complement verify\n", Repeat("\xed\xcb\xa9", kSize), 2},
        {"[lead]\n1. complement\n", std::string(kSize, '\xff'), 0},
        {"[z]\n1. random\n2. zero verify\n", std::string(kSize, '\0'), 1},
        {"[t]\n1. test\n", fill, 0},
        {"[r]\n1. random verify\n2. complement\n3. test\n", "", 2},  // the class verifies pass 2
    };
    qo::test::ScratchFolder scratch;
    NoProgress progress;
    for (const auto& c : cases) {
        const platform::WString file = scratch.Write(u"drive.img", fill);
        std::string error;
        auto target = DiskTarget::Open(platform::ToUtf8(file), "", error);
        ASSERT_TRUE(target) << error;
        PassExecutor executor(*target, progress, 64 << 10);
        const std::vector<PlannedPass> plan = testing::PlanOf(c.scheme, c.content.empty());
        int verified = 0;
        for (size_t i = 0; i < plan.size(); ++i) {
            const PassOutcome o = executor.Run(plan[i], i + 1, plan.size());
            ASSERT_TRUE(o.ok) << c.scheme << o.error;
            verified += o.verified ? 1 : 0;
        }
        EXPECT_EQ(verified, c.verified) << c.scheme;
        const std::string written = ReadFileBytes(file);
        if (!c.content.empty()) {
            EXPECT_TRUE(written == c.content) << c.scheme;
            continue;
        }
        // Random data inverted: every byte value occurs, no block repeats.
        EXPECT_EQ(std::set<char>(written.begin(), written.end()).size(), 256u);
        EXPECT_NE(written.substr(0, 4096), written.substr(65536, 4096));
    }
}

TEST(PassExecutor, ReportsFaultsWithTheirOffset) {
    const struct {
        const char* scheme;
        uint64_t FaultyTarget::*fault;
        uint64_t at;
        std::string error;
    } cases[] = {
        {"[w]\n1. zero\n", &FaultyTarget::failAt, 300000,
         "write error at byte 262144: Input/output error"},
        {"[d]\n1. 5a verify\n", &FaultyTarget::dropAt, 200000,
         "verification failed: the drive holds other data at byte 196608"},
        {"[f]\n1. random verify\n", &FaultyTarget::flipAt, 123457,
         "verification failed: the drive holds other data at byte 123457"},
    };
    NoProgress progress;
    for (const auto& c : cases) {
        FaultyTarget target(1 << 20);
        target.*c.fault = c.at;
        PassExecutor executor(target, progress, 64 << 10);
        const PassOutcome o = executor.Run(testing::PlanOf(c.scheme)[0], 1, 1);
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(o.error, c.error);
    }
    // A drive that is no longer the one confirmed is not written any further.
    FaultyTarget target(1 << 20);
    target.changeAfter = 3;
    PassExecutor executor(target, progress, 64 << 10);
    const PassOutcome o = executor.Run(testing::PlanOf("[x]\n1. zero\n")[0], 1, 1);
    EXPECT_EQ(o.error, "the drive changed at byte 196608; not written further");
    EXPECT_EQ(target.bytes.substr(196608), std::string((1 << 20) - 196608, '\xa5'));
}

// The random passes are the ChaCha20 key stream as OpenSSL's command line
// computes it: IV = 32-bit block counter, the 8-byte nonce, the 256 GiB
// segment; any offset gives the same bytes as a run from the start.
TEST(PassExecutor, RandomDataIsChaCha20) {
    RandomKey key;
    CountingKey(key);
    PassData data;
    data.random = key;
    auto hex = [](const uint8_t* p, size_t n) {
        std::string s;
        char two[3];
        for (size_t i = 0; i < n; ++i) {
            std::snprintf(two, sizeof two, "%02x", p[i]);
            s += two;
        }
        return s;
    };
    const std::string keyHex = hex(key.key.data(), key.key.size());
    const std::string nonceHex = hex(key.nonce.data(), key.nonce.size());
    const auto openssl = [&](const std::string& counter, const std::string& segment, size_t n) {
        return qo::test::Shell("head -c " + std::to_string(n) +
                               " /dev/zero | openssl enc -chacha20 -K " + keyHex + " -iv " +
                               counter + nonceHex + segment + " | od -An -v -tx1 | tr -d ' \\n'");
    };
    std::vector<uint8_t> bytes(4096);
    DataStream stream(data);
    ASSERT_TRUE(stream.Fill(0, bytes.data(), bytes.size()));
    EXPECT_EQ(hex(bytes.data(), bytes.size()), openssl("00000000", "00000000", 4096));
    DataStream seeking(data);
    std::vector<uint8_t> part(1000);
    ASSERT_TRUE(seeking.Fill(1001, part.data(), part.size()));
    EXPECT_EQ(std::memcmp(part.data(), bytes.data() + 1001, part.size()), 0);
    // Across the end of the first segment: its last block, then segment 1.
    ASSERT_TRUE(seeking.Fill((uint64_t{64} << 32) - 64, part.data(), 128));
    EXPECT_EQ(hex(part.data(), 128),
              openssl("ffffffff", "00000000", 64) + openssl("00000000", "01000000", 64));
}

}  // namespace
}  // namespace wiper

#include "wiper/drive_wipe.h"

#include <gtest/gtest.h>

#include "wiper/testing/fake_drive.h"

namespace wiper {
namespace {

using testing::FaultyTarget;
using testing::IdentifyBlock;
using testing::ScriptedPort;

// One drive's wipe: the ATA erase in place of the last pass where the drive
// can do it, the pass as written where it cannot, and a failing write that
// ends the drive's wipe.
TEST(DriveWipe, LastPassErasedOrWrittenAndFailures) {
    const struct {
        uint16_t security;  // IDENTIFY word 128; 0xFFFF: the drive takes no ATA commands
        uint64_t failAt;
        std::vector<std::string> passes;
        const char* note;
        DriveResult result;
        char content;  // what the drive holds afterwards
    } cases[] = {
        {0x0001,
         UINT64_MAX,
         {"pass 1/2: zeros: done",
          "pass 2/2: ATA SECURITY ERASE UNIT in place of pattern 5A: done, read back whole"},
         "ATA erase: SECURITY ERASE UNIT done",
         DriveResult::Wiped,
         '\0'},
        {0x0009,
         UINT64_MAX,
         {"pass 1/2: zeros: done", "pass 2/2: pattern 5A + verify: done, verified"},
         "ATA erase: not possible, the drive's security is frozen",
         DriveResult::Wiped,
         '\x5a'},
        {0xFFFF,
         UINT64_MAX,
         {"pass 1/2: zeros: done", "pass 2/2: pattern 5A + verify: done, verified"},
         "ATA options: the drive does not answer ATA commands (not an ATA target)",
         DriveResult::Wiped,
         '\x5a'},
        {0x0001,
         65536,
         {"pass 1/2: zeros: failed: write error at byte 0: Input/output error"},
         "",
         DriveResult::Failed,
         '\xa5'},
    };
    for (const auto& c : cases) {
        FaultyTarget target(256 << 10);
        target.failAt = c.failAt;
        testing::NoProgress progress;
        ScriptedPort port;
        port.identify = IdentifyBlock({{128, c.security}});
        DriveTools tools(target, progress);
        if (c.security != 0xFFFF)
            tools.ata = &port;
        tools.ataMissing = "not an ATA target";
        tools.now = [] { return std::string("now"); };
        DriveJob job;
        job.ata.ataErase = true;
        job.passes = testing::PlanOf("[two]\n1. zero\n2. 5a verify\n");
        const DriveRecord r = WipeDrive(job, tools);
        std::vector<std::string> passes;
        for (const PassRecord& p : r.passes)
            passes.push_back(p.description + ": " + p.result);
        EXPECT_EQ(passes, c.passes);
        EXPECT_EQ(r.result, c.result);
        if (*c.note) {
            ASSERT_FALSE(r.notes.empty()) << c.note;
            EXPECT_EQ(r.notes[0].find(c.note), 0u) << r.notes[0];
        }
        EXPECT_EQ(target.bytes.find_first_not_of(c.content), std::string::npos) << c.note;
    }
}

}  // namespace
}  // namespace wiper

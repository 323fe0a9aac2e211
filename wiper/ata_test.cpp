#include "wiper/ata.h"

#include <gtest/gtest.h>

#include <vector>

#include "wiper/ata_options.h"
#include "wiper/testing/fake_drive.h"

namespace wiper {
namespace {

using testing::IdentifyBlock;
using testing::ScriptedPort;

std::string Hex(std::span<const uint8_t> bytes) {
    std::string s;
    char two[4];
    for (uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x ", b);
        s += two;
    }
    s.pop_back();
    return s;
}

// The command blocks by the SAT layout: 48-bit LBA bytes interleaved (high
// byte of each register first), 28-bit LBA bits 27:24 in the device register.
TEST(Ata, PassThroughCommandBlocks) {
    const struct {
        AtaCommand command;
        const char* cdb;
    } cases[] = {
        {{ata::kIdentify, 0, 1, 0, 0x40, false, AtaProtocol::PioIn},
         "85 08 0e 00 00 00 01 00 00 00 00 00 00 40 ec 00"},
        {{ata::kReadNativeMaxExt, 0, 0, 0, 0x40, true, AtaProtocol::NonData},
         "85 07 20 00 00 00 00 00 00 00 00 00 00 40 27 00"},
        {{ata::kSetMaxExt, 0, 0, 0x123456789ABCull, 0x40, true, AtaProtocol::NonData},
         "85 07 20 00 00 00 00 56 bc 34 9a 12 78 40 37 00"},
        {{ata::kSetMax, 0, 0, 0x0ABCDEF1, 0x40, false, AtaProtocol::NonData},
         "85 06 20 00 00 00 00 00 f1 00 de 00 bc 4a f9 00"},
        {{ata::kSecurityEraseUnit, 0, 1, 0, 0x40, false, AtaProtocol::PioOut},
         "85 0a 06 00 00 00 01 00 00 00 00 00 00 40 f4 00"},
        {{ata::kDeviceConfiguration, ata::kDcoIdentify, 1, 0, 0x40, false, AtaProtocol::PioIn},
         "85 08 0e 00 c2 00 01 00 00 00 00 00 00 40 b1 00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(Ata16Cdb(c.command)), c.cdb);
}

// Registers from descriptor sense data as libata returns them (response 72h,
// ATA Status Return descriptor 09h).
TEST(Ata, RegistersFromSenseData) {
    std::vector<uint8_t> sense = {0x72, 0x01, 0x00, 0x1d, 0,    0,    0,    14,   0x09, 0x0c, 0x01,
                                  0x00, 0,    0,    0x12, 0x56, 0x34, 0x78, 0x00, 0x9a, 0x40, 0x50};
    AtaRegisters r;
    ASSERT_TRUE(AtaRegistersFromSense(sense, r));
    EXPECT_EQ(r.lba, 0x0034129a7856ull);
    EXPECT_EQ(r.status, 0x50);
    sense[10] = 0;  // 28 bits: LBA 27:24 from the device register
    sense[20] = 0x4b;
    ASSERT_TRUE(AtaRegistersFromSense(sense, r));
    EXPECT_EQ(r.lba, 0x0b9a7856ull);
    EXPECT_FALSE(AtaRegistersFromSense(std::vector<uint8_t>{0x70, 0, 5, 0, 0, 0, 0, 10}, r));
    EXPECT_FALSE(AtaRegistersFromSense(std::vector<uint8_t>{0x72, 5, 0x24, 0, 0, 0, 0, 0}, r));
}

TEST(Ata, IdentifyData) {
    AtaIdentity id;
    auto block = IdentifyBlock({{82, 0x4400},
                                {83, 0x4c00},
                                {100, 0x6db0},
                                {101, 0x7470},
                                {76, 0x0106},
                                {78, 0x0200},
                                {128, 0x0009},
                                {89, 0x0040},
                                {217, 7200}});
    ASSERT_TRUE(ParseIdentify(block, id));
    EXPECT_EQ(id.serial, "SN-0042");
    EXPECT_EQ(id.model, "WDC WD10EZEX-00BN5A0");
    EXPECT_TRUE(id.lba48 && id.hpaSupported && id.dcoSupported && id.hybrid);
    EXPECT_EQ(id.sectors, 1953525168u);
    EXPECT_TRUE(id.securitySupported && id.securityFrozen && !id.securityEnabled);
    EXPECT_EQ(id.eraseMinutes, 128u);
    EXPECT_FALSE(id.nonRotating);
    block[100] ^= 1;  // the checksum no longer adds up
    EXPECT_FALSE(ParseIdentify(block, id));
    EXPECT_FALSE(ParseIdentify(IdentifyBlock({{0, 0x8000}}), id));  // not an ATA device
}

TEST(Ata, OptionsAsTheDriveAllows) {
    AtaIdentity id;
    id.lba48 = id.hpaSupported = id.dcoSupported = true;
    id.sectors = 800;
    {
        ScriptedPort port;
        bool changed = false;
        const auto notes = RemoveHiddenAreas(port, id, true, false, changed);
        EXPECT_EQ(notes, std::vector<std::string>{"HPA: removed, 800 -> 1000 sectors"});
        EXPECT_EQ(port.commands, (std::vector<uint8_t>{ata::kReadNativeMaxExt, ata::kSetMaxExt}));
        EXPECT_TRUE(changed);
    }
    {
        ScriptedPort port;
        port.nativeMax = 799;
        port.dcoMax = 1999;
        bool changed = false;
        const auto notes = RemoveHiddenAreas(port, id, false, true, changed);
        EXPECT_EQ(notes, std::vector<std::string>{"DCO: restored, 800 -> 2000 sectors"});
        EXPECT_TRUE(changed);
    }
    const struct {
        uint16_t security;  // IDENTIFY word 128
        uint8_t refuse;
        EraseOutcome outcome;
        std::vector<uint8_t> commands;
        const char* note;
    } erase[] = {
        {0x0000, 0, EraseOutcome::NotPossible, {}, "does not support the ATA security"},
        {0x0009, 0, EraseOutcome::NotPossible, {}, "frozen"},
        {0x0001, 0, EraseOutcome::Erased, {0xF1, 0xF3, 0xF4}, "SECURITY ERASE UNIT done"},
        {0x0001,
         0xF4,
         EraseOutcome::Failed,
         {0xF1, 0xF3, 0xF4, 0xF6},
         "temporary password was removed"},
        {0x0001, 0xF3, EraseOutcome::Failed, {0xF1, 0xF3, 0xF6}, "temporary password was removed"},
    };
    for (const auto& c : erase) {
        AtaIdentity e;
        ASSERT_TRUE(ParseIdentify(IdentifyBlock({{128, c.security}}), e));
        ScriptedPort port;
        port.refuse = c.refuse;
        std::string note;
        EXPECT_EQ(SecurityErase(port, e, note), c.outcome) << note;
        EXPECT_EQ(port.commands, c.commands) << note;
        EXPECT_NE(note.find(c.note), std::string::npos) << note;
    }
}

}  // namespace
}  // namespace wiper

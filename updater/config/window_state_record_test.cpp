#include "updater/config/window_state_record.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "testsupport/scratch_folder.h"
#include "updater/config/update_settings.h"
#include "updater/config/updater_records.h"

namespace updater {
namespace {

using Bytes = std::vector<uint8_t>;
using platform::WString;

class FakeWindow : public RecordWindow {
  public:
    bool IsMinimised() const override { return minimised; }
    WindowRect Rectangle() const override { return rect; }
    void PrimaryScreenSize(int32_t& width, int32_t& height) const override {
        width = 1024;
        height = 768;
    }
    void Place(const WindowRect& to) override {
        rect = to;
        ++placed;
    }
    bool minimised = false;
    WindowRect rect{10, 20, 410, 320};
    int placed = 0;
};

class FakeList : public RecordList {
  public:
    uint32_t Style() const override { return style; }
    void SetStyle(uint32_t to) override { style = to; }
    int32_t ColumnWidth(size_t column) const override {
        return column < widths.size() ? widths[column] : 0;
    }
    void SetColumnWidth(size_t column, int32_t width) override {
        if (column < widths.size())
            widths[column] = width;
    }
    uint32_t style = 0x50010001;
    std::vector<int32_t> widths{114, 114, 114, 140, 63};
};

void PutWord(Bytes& out, uint32_t value) {
    for (int i = 0; i < 4; ++i, value >>= 8)
        out.push_back(static_cast<uint8_t>(value & 0xFF));
}

// A stored value in the record's layout.
Bytes Layout(const std::vector<uint32_t>& widths, uint32_t view, const WindowRect& rect,
             const Bytes& rest) {
    Bytes out;
    PutWord(out, static_cast<uint32_t>(widths.size()));
    for (uint32_t w : widths)
        PutWord(out, w);
    PutWord(out, view);
    for (int32_t side : {rect.left, rect.top, rect.right, rect.bottom})
        PutWord(out, static_cast<uint32_t>(side));
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

std::string Unique() {
    const auto stamp = std::chrono::system_clock::now().time_since_epoch().count();
    return std::to_string(stamp) + "-" + std::to_string(std::random_device{}());
}

// Every test works below its own key and product name. On Windows that is the
// registry of the build's private Wine prefix; on Linux both hives point at
// files in a private folder.
class RecordTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string unique = Unique();
        key_ = u"Software\\Korvane\\Test\\Records-" + platform::FromUtf8(unique);
        product_ = u"Record Test " + platform::FromUtf8(unique);
#ifndef _WIN32
        platform::SetRegistryFilePath(platform::Hive::CurrentUser,
                                      platform::ToUtf8(scratch_ / u"user.reg"));
        platform::SetRegistryFilePath(platform::Hive::LocalMachine,
                                      platform::ToUtf8(scratch_ / u"machine.reg"));
#endif
    }
    void TearDown() override {
#ifndef _WIN32
        platform::SetRegistryFilePath(platform::Hive::CurrentUser, "");
        platform::SetRegistryFilePath(platform::Hive::LocalMachine, "");
#endif
    }

    void Store(const WString& key, const WString& name, uint32_t type, const Bytes& data) {
        platform::RegistryKey k;
        ASSERT_EQ(k.Create(platform::Hive::CurrentUser, key, platform::kKeyWrite), 0);
        ASSERT_EQ(k.Set(name, type, data.data(), static_cast<uint32_t>(data.size())), 0);
    }
    Bytes Stored(const WString& key, const WString& name) {
        platform::RegistryKey k;
        uint32_t type = 0;
        Bytes data;
        if (k.Open(platform::Hive::CurrentUser, key, platform::kKeyRead) != 0 ||
            k.QueryBytes(name, type, data) != 0) {
            return {};
        }
        EXPECT_EQ(type, platform::kRegBinary);
        return data;
    }

    WString key_;
    WString product_;
#ifndef _WIN32
    qo::test::ScratchFolder scratch_{u"qo-records"};
#endif
};

TEST(UpdateSettings, TheBlockIsLittleEndianWithItsUnusedBytesZero) {
    UpdateSettings settings;
    settings.siteIndex = -2;
    settings.autoUpdateOff = 1;
    settings.confirmDownload = 0;
    settings.confirmRestart = 1;
    settings.showAllFiles = 0;
    settings.period = kPeriodMonthly;
    settings.lastCheck = 0x0102030405060708;
    settings.showAllOs = 1;
    const UpdateSettings::Block block = settings.ToBlock();
    const UpdateSettings::Block expected{0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 1, 0, 2, 0, 0, 0, 8, 7,
                                         6,    5,    4,    3,    2, 1, 1, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(block, expected);
    EXPECT_EQ(UpdateSettings::FromBlock(block), settings);

    // Stored bytes are taken as they are; the unused ones are written as 0.
    UpdateSettings::Block odd{};
    odd.fill(0xA5);
    const UpdateSettings read = UpdateSettings::FromBlock(odd);
    EXPECT_EQ(read.siteIndex, static_cast<int32_t>(0xA5A5A5A5));
    EXPECT_EQ(read.period, 0xA5);
    EXPECT_EQ(read.lastCheck, static_cast<int64_t>(0xA5A5A5A5A5A5A5A5));
    const UpdateSettings::Block again = read.ToBlock();
    for (size_t unused : {9, 10, 11, 21, 22, 23, 24, 25, 26, 27})
        EXPECT_EQ(again[unused], 0) << unused;
    EXPECT_EQ(UpdateSettings::FromBlock(again), read);

    const UpdateSettings defaults;
    EXPECT_EQ(defaults.ToBlock(), (UpdateSettings::Block{0, 0, 0, 0, 0, 1, 1, 1, 1}));
}

TEST_F(RecordTest, AListRecordRoundTripsWithItsWindowAndColumns) {
    WindowStateRecord record;
    record.Prepare(platform::Hive::CurrentUser, key_, kVersionsListValueName, 4, 5);
    record.StateBlock() = {1, 2, 3, 4};
    FakeWindow window;
    FakeList list;
    list.style = 0x50010003;
    list.widths = {120, 80, 80, 140, -1};
    const Bytes trailing{0xAA, 0xBB, 0xCC};
    ASSERT_TRUE(record.Save(&window, &list, trailing));
    EXPECT_EQ(
        Stored(key_, kVersionsListValueName),
        Layout({120, 80, 80, 140, 0xFFFFFFFF}, 3, window.rect, {1, 2, 3, 4, 0xAA, 0xBB, 0xCC}));

    WindowStateRecord read;
    read.Prepare(platform::Hive::CurrentUser, key_, kVersionsListValueName, 4, 5);
    FakeWindow other;
    other.rect = {0, 0, 50, 50};
    FakeList target;
    target.style = 0x50010000 | 0x10;
    Bytes rest;
    ASSERT_TRUE(read.Read(&other, &target, &rest, 2));
    EXPECT_EQ(other.rect, window.rect);
    EXPECT_EQ(other.placed, 1);
    EXPECT_EQ(target.style, 0x50010013u);
    EXPECT_EQ(target.widths, list.widths);
    EXPECT_EQ(read.StateBlock(), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(rest, (Bytes{0xAA, 0xBB}));  // up to the capacity given

    // The rectangle is applied only when its top-left corner is on the
    // primary screen (1024 x 768 here).
    struct Corner {
        int32_t left, top;
        bool placed;
    };
    for (const Corner& c :
         {Corner{0, 0, true}, Corner{1023, 767, true}, Corner{-1, 10, false}, Corner{10, -1, false},
          Corner{1024, 10, false}, Corner{10, 768, false}}) {
        SCOPED_TRACE(std::to_string(c.left) + "," + std::to_string(c.top));
        window.rect = {c.left, c.top, c.left + 300, c.top + 200};
        ASSERT_TRUE(record.Save(&window, nullptr, {}));
        FakeWindow placed;
        ASSERT_TRUE(read.Read(&placed, nullptr, nullptr, 0));
        EXPECT_EQ(placed.placed, c.placed ? 1 : 0);
        EXPECT_EQ(read.Rectangle(), window.rect);
    }
    // Without a list the view bits are stored as 0 and the widths stay.
    EXPECT_EQ(Stored(key_, kVersionsListValueName),
              Layout({120, 80, 80, 140, 0xFFFFFFFF}, 0, window.rect, {1, 2, 3, 4}));

    // A minimised window saves nothing.
    window.minimised = true;
    const Bytes before = Stored(key_, kVersionsListValueName);
    EXPECT_FALSE(record.Save(&window, &list, trailing));
    EXPECT_EQ(Stored(key_, kVersionsListValueName), before);
}

// A value stored for fewer columns than the list has (an older program, or
// one column added since) restores the columns it holds; the others keep the
// widths the list was given, never 0, which would hide them.
TEST_F(RecordTest, AValueWithFewerColumnsLeavesTheOtherColumnsAlone) {
    Store(key_, kVersionsListValueName, platform::kRegBinary,
          Layout({200, 90}, 1, WindowRect{5, 5, 500, 400}, {}));
    WindowStateRecord record;
    record.Prepare(platform::Hive::CurrentUser, key_, kVersionsListValueName, 0,
                   kVersionsListColumns);
    FakeList list;
    ASSERT_TRUE(record.Read(nullptr, &list, nullptr, 0));
    EXPECT_EQ(list.widths, (std::vector<int32_t>{200, 90, 114, 140, 63}));
    EXPECT_EQ(list.style, 0x50010001u);

    // Saved again, the record holds every column of the list.
    list.widths[4] = 70;
    ASSERT_TRUE(record.Save(nullptr, &list, {}));
    EXPECT_EQ(Stored(key_, kVersionsListValueName),
              Layout({200, 90, 114, 140, 70}, 1, WindowRect{5, 5, 500, 400}, {}));
}

TEST_F(RecordTest, TheMainRecordKeepsTheSettingsAndTheDownloadFolder) {
    UpdateConfig config;
    config.period = kPeriodDaily;
    UpdateSettings settings = UpdateSettings::FromConfig(config);
    WString folder = u"unchanged";

    MainWindowRecord record;
    record.Prepare(product_);
    // Nothing stored yet: the start values stay.
    EXPECT_FALSE(record.Read(nullptr, settings, folder));
    EXPECT_EQ(settings, UpdateSettings::FromConfig(config));
    EXPECT_EQ(folder, u"unchanged");

    settings.siteIndex = 3;
    settings.lastCheck = 1767225600;  // 2026-01-01 00:00 UTC
    settings.showAllOs = 1;
    const WString downloads = u"C:\\Users\\Jürgen\\Downloads\\Quelix Omnisweep_autoUpdate";
    FakeWindow window;
    ASSERT_TRUE(record.Save(&window, settings, downloads));
    Bytes expected = Layout({}, 0, window.rect, {});
    const UpdateSettings::Block block = settings.ToBlock();
    expected.insert(expected.end(), block.begin(), block.end());
    const Bytes text = DownloadFolderBytes(downloads);
    expected.insert(expected.end(), text.begin(), text.end());
    EXPECT_EQ(Stored(kUpdaterKeyPath, product_), expected);
    EXPECT_EQ(text.size(), downloads.size() * 2);  // no terminator

    // Saved again without a window (after a check), the rectangle read at
    // start stays.
    MainWindowRecord next;
    next.Prepare(product_);
    UpdateSettings read = UpdateSettings::FromConfig(config);
    WString readFolder;
    FakeWindow shown;
    ASSERT_TRUE(next.Read(&shown, read, readFolder));
    EXPECT_EQ(read, settings);
    EXPECT_EQ(readFolder, downloads);
    EXPECT_EQ(shown.rect, window.rect);
    read.lastCheck += 86400;
    ASSERT_TRUE(next.Save(nullptr, read, readFolder));
    UpdateSettings third;
    ASSERT_TRUE(next.Read(nullptr, third, readFolder));
    EXPECT_EQ(third.lastCheck, settings.lastCheck + 86400);
    EXPECT_EQ(next.Record().Rectangle(), window.rect);

    // Closing a minimised window leaves the registry as it was.
    const Bytes before = Stored(kUpdaterKeyPath, product_);
    window.minimised = true;
    third.period = kPeriodMonthly;
    EXPECT_FALSE(next.Save(&window, third, u"elsewhere"));
    EXPECT_EQ(Stored(kUpdaterKeyPath, product_), before);

    // A folder of 259 units is kept; one of 260 or more has no room for its
    // terminator and counts as none; an odd last byte is ignored.
    for (size_t length : {size_t{259}, size_t{260}, size_t{300}}) {
        ASSERT_TRUE(next.Save(nullptr, settings, WString(length, u'f')));
        ASSERT_TRUE(next.Read(nullptr, read, readFolder));
        EXPECT_EQ(readFolder, length < 260 ? WString(length, u'f') : WString()) << length;
    }
    Bytes odd = Layout({}, 0, {}, {});
    odd.insert(odd.end(), block.begin(), block.end());
    for (uint8_t b : Bytes{'D', 0, ':', 0, 'X'})
        odd.push_back(b);
    Store(kUpdaterKeyPath, product_, platform::kRegBinary, odd);
    ASSERT_TRUE(next.Read(nullptr, read, readFolder));
    EXPECT_EQ(readFolder, u"D:");
    EXPECT_EQ(DownloadFolderFromBytes(Bytes{'a', 0, 0, 0, 'b', 0}), u"a");
    EXPECT_EQ(DownloadFolderFromBytes(Bytes{}), u"");

    // A stored block shorter than 28 bytes replaces only its own bytes.
    Bytes shortBlock = Layout({}, 0, {}, {7, 0, 0, 0, 1});
    Store(kUpdaterKeyPath, product_, platform::kRegBinary, shortBlock);
    UpdateSettings partial = UpdateSettings::FromConfig(config);
    readFolder = u"stays?";
    ASSERT_TRUE(next.Read(nullptr, partial, readFolder));
    EXPECT_EQ(partial.siteIndex, 7);
    EXPECT_EQ(partial.autoUpdateOff, 1);
    EXPECT_EQ(partial.period, kPeriodDaily);
    EXPECT_EQ(readFolder, u"");

    // The Versions page's list record is a separate value of the same key.
    WindowStateRecord list;
    PrepareVersionsListRecord(list);
    EXPECT_EQ(list.ColumnWidths().size(), kVersionsListColumns);
    EXPECT_TRUE(list.StateBlock().empty());
}

TEST_F(RecordTest, ASaveWithoutAWindowStoresNoRectangleItNeverHad) {
    UpdateSettings settings;
    WString folder;
    const UpdateSettings::Block settingsBlock = settings.ToBlock();
    const Bytes block(settingsBlock.begin(), settingsBlock.end());

    // A check before any window was shown: nothing stored, nothing read. The
    // zeros it stores are never taken for a window position.
    MainWindowRecord check;
    check.Prepare(product_);
    EXPECT_FALSE(check.Read(nullptr, settings, folder));
    ASSERT_TRUE(check.Save(nullptr, settings, u"D:\\dl"));
    Bytes expected = Layout({}, 0, {}, block);
    const Bytes text = DownloadFolderBytes(u"D:\\dl");
    expected.insert(expected.end(), text.begin(), text.end());
    EXPECT_EQ(Stored(kUpdaterKeyPath, product_), expected);
    MainWindowRecord window;
    window.Prepare(product_);
    FakeWindow shown;
    ASSERT_TRUE(window.Read(&shown, settings, folder));
    EXPECT_EQ(shown.placed, 0);

    // Neither is an inverted or empty rectangle placed.
    for (const WindowRect& rect : {WindowRect{300, 20, 100, 320}, WindowRect{10, 20, 10, 320},
                                   WindowRect{10, 200, 410, 100}}) {
        Store(kUpdaterKeyPath, product_, platform::kRegBinary, Layout({}, 0, rect, block));
        ASSERT_TRUE(window.Read(&shown, settings, folder));
        EXPECT_EQ(shown.placed, 0);
    }

    // A value the record cannot read keeps its rectangle through a save
    // without a window.
    const WindowRect kept{40, 50, 640, 530};
    Store(kUpdaterKeyPath, product_, platform::kRegBinary, Layout({0}, 0, kept, block));
    MainWindowRecord damaged;
    damaged.Prepare(product_);
    EXPECT_FALSE(damaged.Read(nullptr, settings, folder));
    ASSERT_TRUE(damaged.Save(nullptr, settings, u""));
    EXPECT_EQ(Stored(kUpdaterKeyPath, product_), Layout({}, 0, kept, block));
}

TEST_F(RecordTest, DamagedValuesAreRefusedWithoutReadingPastThem) {
    const WString name = u"Damaged";
    WindowStateRecord record;
    auto prepare = [&] {
        record.Prepare(platform::Hive::CurrentUser, key_, name, 8, 2);
        record.StateBlock() = {9, 9, 9, 9, 9, 9, 9, 9};
    };
    const WindowRect rect{1, 2, 3, 4};
    const Bytes good = Layout({50, 60}, 1, rect, {1, 2, 3, 4, 5, 6, 7, 8, 0xEE});

    prepare();
    EXPECT_FALSE(record.Read(nullptr, nullptr, nullptr, 0));  // no key yet
    Store(key_, u"Other", platform::kRegBinary, good);
    EXPECT_FALSE(record.Read(nullptr, nullptr, nullptr, 0));  // no value

    struct Case {
        const char* what;
        uint32_t type;
        Bytes data;
    };
    Bytes huge;  // 2^30 columns: 4 + 4N + 4 wraps to 8 in 32 bits
    PutWord(huge, 0x40000000);
    PutWord(huge, 1);
    PutWord(huge, 0);
    Bytes negative;
    PutWord(negative, 0xFFFFFFFF);
    negative.resize(64, 1);
    Bytes tooMany =
        Layout(std::vector<uint32_t>(WindowStateRecord::kMaxColumns + 1, 5), 0, rect, {});
    const std::vector<Case> cases{
        {"a number, not binary", platform::kRegDword, {1, 0, 0, 0}},
        {"binary, empty", platform::kRegBinary, {}},
        {"shorter than the count", platform::kRegBinary, {2, 0, 0}},
        {"count without widths", platform::kRegBinary, {2, 0, 0, 0, 50, 0, 0, 0}},
        {"widths without view bits", platform::kRegBinary, {1, 0, 0, 0, 50, 0, 0, 0}},
        {"all widths 0", platform::kRegBinary, Layout({0, 0}, 1, rect, {})},
        {"a count of 2^30", platform::kRegBinary, huge},
        {"a count of 2^32 - 1", platform::kRegBinary, negative},
        {"more columns than any list has", platform::kRegBinary, tooMany},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Store(key_, name, c.type, c.data);
        prepare();
        Bytes trailing{42};
        EXPECT_FALSE(record.Read(nullptr, nullptr, &trailing, 16));
        EXPECT_EQ(record.ColumnWidths(), (std::vector<int32_t>{0, 0}));
        EXPECT_EQ(record.StateBlock(), Bytes(8, 9));
        EXPECT_EQ(trailing, Bytes{42});
    }

    // Widths and view bits but no rectangle: what was read stays copied, the
    // rest is left alone.
    Store(key_, name, platform::kRegBinary,
          Bytes{2, 0, 0, 0, 0, 0, 0, 0, 70, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0});
    prepare();
    FakeWindow window;
    EXPECT_FALSE(record.Read(&window, nullptr, nullptr, 0));
    EXPECT_EQ(record.ColumnWidths(), (std::vector<int32_t>{0, 70}));
    EXPECT_EQ(record.ViewBits(), 2u);
    EXPECT_EQ(record.Rectangle(), WindowRect{});
    EXPECT_EQ(window.placed, 0);

    // A count of zero is allowed; a larger count than the record's columns
    // enlarges its table, and the next save writes all of them.
    Store(key_, name, platform::kRegBinary, Layout({}, 0, rect, {1, 2}));
    prepare();
    ASSERT_TRUE(record.Read(nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(record.StateBlock(), (Bytes{1, 2, 9, 9, 9, 9, 9, 9}));
    EXPECT_EQ(record.ColumnWidths(), (std::vector<int32_t>{0, 0}));
    Store(key_, name, platform::kRegBinary, Layout({10, 0, 30, 40}, 3, rect, {}));
    prepare();
    FakeList list;
    ASSERT_TRUE(record.Read(nullptr, &list, nullptr, 0));
    EXPECT_EQ(record.ColumnWidths(), (std::vector<int32_t>{10, 0, 30, 40}));
    EXPECT_EQ(list.widths, (std::vector<int32_t>{10, 0, 30, 40, 63}));
    ASSERT_TRUE(record.Save(nullptr, nullptr, {}));
    EXPECT_EQ(Stored(key_, name), Layout({10, 0, 30, 40}, 0, rect, Bytes(8, 9)));
}

}  // namespace
}  // namespace updater

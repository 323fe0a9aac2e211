// Arbitrary bytes as a stored WindowStateRecord value, read into records of
// several state block sizes and column counts. A value that reads writes back
// to a value that reads to the very same record; a damaged value never makes
// the record larger than the value could describe. The rectangle a save
// without a window keeps is the one a read finds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/require.h"
#include "updater/config/updater_records.h"
#include "updater/config/window_state_record.h"

using qo::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace updater;
    const std::span<const uint8_t> value(data, size);
    // The rectangle a save without a window keeps: never read past the value.
    WindowRect kept;
    const bool hasRectangle = WindowStateRecord::RectangleOfValue(value, kept);
    struct Shape {
        size_t state, columns;
    };
    for (const Shape shape : {Shape{28, 0}, Shape{0, 5}, Shape{3, 2}}) {
        WindowStateRecord record;
        record.Prepare(platform::Hive::CurrentUser, u"Software\\Korvane\\Fuzz", u"Value",
                       shape.state, shape.columns);
        std::vector<uint8_t> trailing;
        if (!record.Parse(value, &trailing, 520)) {
            Require(record.ColumnWidths().size() <= WindowStateRecord::kMaxColumns + shape.columns);
            continue;
        }
        Require(record.ColumnWidths().size() <= WindowStateRecord::kMaxColumns);
        // Every value that reads holds the same rectangle for a save to keep.
        Require(hasRectangle && kept == record.Rectangle());
        Require(record.ColumnWidths().size() <= shape.columns ||
                size >= 8 + 4 * record.ColumnWidths().size());
        Require(record.StateBlock().size() == shape.state);
        Require(trailing.size() <= 520);
        // The download folder of the main record is always terminated text.
        Require(DownloadFolderFromBytes(trailing).size() < kDownloadFolderCapacity);

        const std::vector<uint8_t> again = record.Serialize(trailing);
        WindowStateRecord copy;
        copy.Prepare(platform::Hive::CurrentUser, u"Software\\Korvane\\Fuzz", u"Value", shape.state,
                     shape.columns);
        std::vector<uint8_t> trailingAgain;
        bool allZero = !record.ColumnWidths().empty();
        for (int32_t width : record.ColumnWidths())
            allZero = allZero && width == 0;
        if (allZero) {
            // A table of zero widths (the record's own, not from the value) is
            // not read back.
            Require(!copy.Parse(again, &trailingAgain, 520));
            continue;
        }
        Require(copy.Parse(again, &trailingAgain, 520));
        Require(copy.ColumnWidths() == record.ColumnWidths());
        Require(copy.ViewBits() == record.ViewBits());
        Require(copy.Rectangle() == record.Rectangle());
        Require(copy.StateBlock() == record.StateBlock());
        Require(trailingAgain == trailing);
    }
    return 0;
}

#include "langfile/language_table.h"
#include "langfile/po_reader.h"
#include "platform/input_file.h"

namespace langfile {

bool ReadWholeFile(const std::u16string& path, std::string& bytes, std::string& error) {
    std::vector<uint8_t> data;
    switch (platform::ReadWholeFile(path, kMaxPoSize, data)) {
        case platform::WholeFileResult::Ok:
            bytes.assign(data.begin(), data.end());
            return true;
        case platform::WholeFileResult::CannotOpen:
            error = "cannot open";
            return false;
        case platform::WholeFileResult::TooLarge:
            error = "file larger than 16 MiB";
            return false;
        default:
            error = "read error";
            return false;
    }
}

}  // namespace langfile

// The portable half of the input file: reading a whole file.
#include "platform/input_file.h"

#include <algorithm>
#include <utility>

namespace platform {

InputFile::InputFile(InputFile&& other) noexcept {
    *this = std::move(other);
}

WholeFileResult ReadWholeFile(WStringView path, uint64_t maxSize, std::vector<uint8_t>& bytes) {
    bytes.clear();
    InputFile file;
    if (!file.Open(path))
        return WholeFileResult::CannotOpen;
    if (file.Size() > maxSize)
        return WholeFileResult::TooLarge;
    bytes.resize(static_cast<size_t>(file.Size()));
    size_t filled = 0;
    for (;;) {
        // The file may have grown since it was opened: read one byte past the
        // expected end to find out, and refuse a file that outgrew the limit.
        if (filled == bytes.size()) {
            if (bytes.size() >= maxSize) {
                uint8_t probe = 0;
                const int64_t n = file.Read(&probe, 1);
                if (n < 0)
                    return WholeFileResult::ReadError;
                if (n == 0)
                    return WholeFileResult::Ok;
                bytes.clear();
                return WholeFileResult::TooLarge;
            }
            bytes.resize(bytes.size() + std::min<uint64_t>(maxSize - bytes.size(), 65536));
        }
        const int64_t n = file.Read(bytes.data() + filled, bytes.size() - filled);
        if (n < 0) {
            bytes.clear();
            return WholeFileResult::ReadError;
        }
        if (n == 0)
            break;
        filled += static_cast<size_t>(n);
    }
    bytes.resize(filled);
    return WholeFileResult::Ok;
}

}  // namespace platform

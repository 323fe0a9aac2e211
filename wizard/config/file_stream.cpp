#include "wizard/config/file_stream.h"

namespace wizard {

std::filesystem::path FsPath(platform::WStringView path) {
    return std::filesystem::path(platform::WString(path));
}

std::ifstream OpenForReading(platform::WStringView path) {
    return std::ifstream(FsPath(path), std::ios::in | std::ios::binary);
}

std::ofstream OpenForWriting(platform::WStringView path) {
    return std::ofstream(FsPath(path), std::ios::out | std::ios::binary | std::ios::trunc);
}

bool WriteWholeFile(platform::WStringView path, std::string_view text) {
    std::ofstream out = OpenForWriting(path);
    if (!out.is_open()) {
        return false;
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return !out.fail();
}

}  // namespace wizard

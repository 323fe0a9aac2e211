#include "wizard/media/linux/mount_table.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace wizard {
namespace {

std::string Unescape(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
            field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountEntry> entries;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::istringstream line{std::string(text.substr(start, end - start))};
        start = end + 1;
        std::vector<std::string> fields{std::istream_iterator<std::string>(line), {}};
        size_t dash = 6;
        while (dash < fields.size() && fields[dash] != "-")
            ++dash;
        if (fields.size() < 10 || dash + 2 >= fields.size() ||
            fields[2].find(':') == std::string::npos)
            continue;
        entries.push_back(
            {fields[2], Unescape(fields[4]), fields[dash + 1], Unescape(fields[dash + 2])});
    }
    return entries;
}

std::vector<MountEntry> ReadMountInfo(const std::string& path) {
    std::ifstream in(path);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    return ParseMountInfo(text);
}

}  // namespace wizard

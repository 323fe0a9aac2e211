#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "langfile/language_table.h"

namespace langfile {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// UTF-16 path -> UTF-8 for the POSIX calls; false for unpaired surrogates.
bool PathToUtf8(const std::u16string& path, std::string& out) {
    for (size_t i = 0; i < path.size(); ++i) {
        uint32_t cp = path[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < path.size() && path[i + 1] >= 0xDC00 &&
            path[i + 1] <= 0xDFFF)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (path[++i] - 0xDC00);
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            return false;
        if (cp == 0)
            return false;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return !out.empty();
}

}  // namespace

bool ReadWholeFile(const std::u16string& path, std::string& bytes, std::string& error) {
    std::string name;
    if (!PathToUtf8(path, name)) {
        error = "unusable path";
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    bytes.clear();
    char buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0) {
        if (bytes.size() + got > kMaxPoSize) {
            error = "file larger than 16 MiB";
            return false;
        }
        bytes.append(buffer, got);
    }
    if (std::ferror(file.get())) {
        error = "read error";
        return false;
    }
    return true;
}

}  // namespace langfile

#include "wizard/app/cli/iso_path_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

namespace wizard::cli {

std::string WithIsoExtension(const std::string& path) {
    std::string tail = path.size() > 4 ? path.substr(path.size() - 4) : std::string();
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".iso" ? path : path + ".iso";
}

bool CheckIsoPath(std::string& path) {
    path = WithIsoExtension(path);
    struct stat before {};
    const bool existed = ::stat(path.c_str(), &before) == 0;
    if (existed && S_ISDIR(before.st_mode))
        return false;  // a folder is no place for an image
    const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    ::close(fd);
    if (!existed)
        ::unlink(path.c_str());
    return true;
}

}  // namespace wizard::cli

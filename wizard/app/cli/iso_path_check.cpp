#include "wizard/app/cli/iso_path_check.h"

#include "wizard/app/pages/iso_path_page.h"

namespace wizard::cli {

std::string WithIsoExtension(const std::string& path) {
    return platform::ToUtf8(pages::WithIsoExtension(platform::FromUtf8(path)));
}

bool CheckIsoPath(std::string& path) {
    platform::WString wide = platform::FromUtf8(path);
    const bool ok = pages::CheckIsoPath(wide);
    path = platform::ToUtf8(wide);
    return ok;
}

}  // namespace wizard::cli

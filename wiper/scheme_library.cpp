#include "wiper/scheme_library.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace wiper {

void SchemeLibrary::Load(const std::string& folder) {
    namespace fs = std::filesystem;
    schemes_.clear();
    rejected_.clear();
    std::vector<fs::path> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& path : files) {
        std::error_code sizeError;
        if (fs::file_size(path, sizeError) > wizard::kMaxSchemeFileBytes || sizeError) {
            rejected_.push_back(path.filename().string());
            continue;
        }
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        LoadedScheme scheme;
        wizard::WipeScheme counted;
        if (!wizard::ParseSchemePasses(text.str(), scheme.name, scheme.passes) ||
            !wizard::ParseSchemeText(text.str(), counted)) {
            rejected_.push_back(path.filename().string());
            continue;
        }
        scheme.weight = counted.SchemeWeight;
        // policy.cfg names a scheme by its file name cut at the last dot.
        const std::string name = path.filename().string();
        const size_t dot = name.rfind('.');
        scheme.file = dot == std::string::npos ? name : name.substr(0, dot);
        schemes_.push_back(std::move(scheme));
    }
    std::stable_sort(
        schemes_.begin(), schemes_.end(),
        [](const LoadedScheme& a, const LoadedScheme& b) { return a.weight > b.weight; });
}

int SchemeLibrary::Find(const std::string& policyName) const {
    for (size_t i = 0; i < schemes_.size(); ++i) {
        if (schemes_[i].file == policyName)
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace wiper

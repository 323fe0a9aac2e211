// Version resources through the system's version library.
#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"
#include "updater/support/version_resource.h"

namespace updater {
namespace {

class Win32VersionData : public VersionData {
  public:
    explicit Win32VersionData(std::vector<BYTE> block) : block_(std::move(block)) {}

    std::vector<VersionTranslation> Translations() const override {
        std::vector<VersionTranslation> list;
        void* data = nullptr;
        UINT bytes = 0;
        if (!VerQueryValueW(Block(), L"\\VarFileInfo\\Translation", &data, &bytes) || !data)
            return list;
        const auto* pairs = static_cast<const WORD*>(data);
        for (UINT i = 0; i + 1 < bytes / sizeof(WORD); i += 2)
            list.push_back({pairs[i], pairs[i + 1]});
        return list;
    }

    bool QueryText(platform::WStringView subBlock, platform::WString& value) const override {
        const platform::WString path(subBlock);
        void* data = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(Block(), platform::Wide(path), &data, &length) || !data)
            return false;
        // The length counts characters, with the terminator on some systems:
        // take the text up to the first terminator within it.
        const auto* text = static_cast<const char16_t*>(data);
        size_t n = 0;
        while (n < length && text[n] != 0)
            ++n;
        value.assign(text, n);
        return true;
    }

  private:
    // VerQueryValueW takes a non-const block but does not change it.
    void* Block() const { return const_cast<BYTE*>(block_.data()); }

    std::vector<BYTE> block_;
};

}  // namespace

std::unique_ptr<VersionData> LoadVersionData(platform::WStringView filePath) {
    const platform::WString path(filePath);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(platform::Wide(path), &ignored);
    if (size == 0)
        return nullptr;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(platform::Wide(path), 0, size, block.data()))
        return nullptr;
    return std::make_unique<Win32VersionData>(std::move(block));
}

}  // namespace updater

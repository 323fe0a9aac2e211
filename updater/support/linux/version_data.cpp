// The version data embedded in the program: the values the Windows build
// keeps in its version resource, made from the same generated header. It
// belongs to the running program's own file; other files have none.
#include <sys/stat.h>

#include <array>

#include "platform/files.h"
#include "qo_version.h"
#include "updater/support/version_resource.h"

namespace updater {
namespace {

struct EmbeddedValue {
    const char16_t* path;
    const char* text;
};

// One translation, US English in UTF-16, as the Windows resource has.
constexpr VersionTranslation kTranslation{0x0409, 1200};

constexpr std::array<EmbeddedValue, 8> kValues{{
    {u"\\StringFileInfo\\040904b0\\CompanyName", QO_COMPANY_NAME},
    {u"\\StringFileInfo\\040904b0\\FileDescription", "Renovo"},
    {u"\\StringFileInfo\\040904b0\\FileVersion", QO_VERSION_TEXT},
    {u"\\StringFileInfo\\040904b0\\InternalName", "Renovo"},
    {u"\\StringFileInfo\\040904b0\\LegalCopyright", QO_COPYRIGHT},
    {u"\\StringFileInfo\\040904b0\\OriginalFilename", "Renovo"},
    {u"\\StringFileInfo\\040904b0\\ProductName", QO_PRODUCT_NAME},
    {u"\\StringFileInfo\\040904b0\\ProductVersion", QO_VERSION_TEXT},
}};

class EmbeddedVersionData : public VersionData {
  public:
    std::vector<VersionTranslation> Translations() const override { return {kTranslation}; }

    // Sub-block names compare without regard to ASCII case, as on Windows.
    bool QueryText(platform::WStringView subBlock, platform::WString& value) const override {
        for (const EmbeddedValue& entry : kValues) {
            if (platform::EqualsIgnoreCase(entry.path, subBlock)) {
                value = platform::FromUtf8(entry.text);
                return true;
            }
        }
        return false;
    }
};

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

std::unique_ptr<VersionData> LoadVersionData(platform::WStringView filePath) {
    if (filePath.empty() ||
        !SameFile(platform::ToUtf8(filePath), platform::ToUtf8(platform::ProgramFilePath())))
        return nullptr;
    return std::make_unique<EmbeddedVersionData>();
}

}  // namespace updater

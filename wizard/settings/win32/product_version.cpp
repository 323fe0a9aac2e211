// Windows: the product version is the "ProductVersion" string of the program
// file's version resource (US English, Unicode block), read as single-byte text.
#include <windows.h>

#include <vector>

#include "platform/files.h"
#include "wizard/settings/wizard_settings.h"

namespace wizard {

std::string ReadProductVersion() {
    const platform::WString program = platform::ProgramFilePath();
    const std::wstring path(program.begin(), program.end());
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return kUndefinedProductVersion;
    std::vector<char> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        return kUndefinedProductVersion;
    char* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\ProductVersion",
                        reinterpret_cast<void**>(&text), &length) ||
        text == nullptr) {
        return kUndefinedProductVersion;
    }
    // length counts the terminator when there is one; never read past it.
    std::string_view value(text, length);
    value = value.substr(0, value.find('\0'));
    return CutProductVersion(value);
}

}  // namespace wizard

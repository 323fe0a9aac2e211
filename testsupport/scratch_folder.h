// Test support: a fresh folder below the temporary folder, removed with
// everything in it when the object goes, and whole-file helpers. Any thread.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace qo::test {

class ScratchFolder {
  public:
    // The folder's name starts with prefix (tests of path handling pass one
    // with blanks or non-ASCII letters).
    explicit ScratchFolder(platform::WStringView prefix = u"qo-test");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const platform::WString& Path() const { return path_; }
    platform::WString operator/(platform::WStringView name) const;

    // Writes bytes to a file of the folder (a relative name; sub-folders are
    // created) and returns its path. A failed write fails the test.
    platform::WString Write(platform::WStringView name, std::string_view bytes) const;

  private:
    platform::WString path_;
};

// The whole content of a file; an unreadable file fails the test and gives "".
std::string ReadFileBytes(platform::WStringView path);
// Writes a file whole, replacing it; a failed write fails the test.
void WriteFileBytes(platform::WStringView path, std::string_view bytes);

// A file of the source tree (QO_SOURCE_DIR, set for every test), by its parts.
platform::WString SourceFile(std::initializer_list<platform::WStringView> parts);

}  // namespace qo::test

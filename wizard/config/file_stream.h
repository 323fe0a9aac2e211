// Opening standard file streams by the program's UTF-16 paths, on both targets
// (UTF-16 names on Windows, UTF-8 names on Linux). Any thread may call these.
#pragma once

#include <filesystem>
#include <fstream>

#include "platform/text.h"

namespace wizard {

std::filesystem::path FsPath(platform::WStringView path);

// Opens a file for binary reading; the stream is not open when that fails.
std::ifstream OpenForReading(platform::WStringView path);
// Creates or truncates a file for binary writing; not open when that fails.
std::ofstream OpenForWriting(platform::WStringView path);

// Writes text to a new or truncated file. False when the file cannot be created
// or the text cannot be written completely.
bool WriteWholeFile(platform::WStringView path, std::string_view text);

}  // namespace wizard

// The smb:// address of a share path as the logging page takes it: UNC
// ("\\server\share\folder") or with forward slashes ("//server/share/folder").
// Any thread.
#pragma once

#include <optional>
#include <string>

#include "platform/text.h"

namespace wizard::netshare {

// "smb://server/share/folder" with every name percent-encoded (UTF-8), or
// nothing when the text is not a share path: no server or no share name, a
// control character, or an unpaired surrogate. Repeated and trailing
// separators are dropped.
std::optional<std::string> ShareUrl(platform::WStringView path);

// "smb://server/": the server of a share path, or nothing as above.
std::optional<std::string> ServerUrl(platform::WStringView path);

}  // namespace wizard::netshare

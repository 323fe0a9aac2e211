// Values for the shell assignments of wipe_config, which the wiping
// environment's start-up scripts source. Pure functions; any thread may call them.
#pragma once

#include <string>
#include <string_view>

namespace wizard {

// True when every byte is an ASCII letter or digit or one of "/._-@:+,=%"
// (the empty value too): such a value reads back unchanged without quotes.
bool IsPlainShellValue(std::string_view value);

// A plain value as it is; any other value in single quotes, each "'" written
// as '\'' so that sourcing the assignment yields exactly the original bytes.
std::string ShellValue(std::string_view value);

}  // namespace wizard

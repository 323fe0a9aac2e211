// Text inside a JSON string literal. Pure function; any thread may call it.
#pragma once

#include <string>
#include <string_view>

namespace wizard {

// Escapes '"', '\' and the control characters below 0x20 as JSON requires
// (\b \f \n \r \t, others as \u00XX); every other byte is kept as it is.
std::string EscapeJsonString(std::string_view text);

}  // namespace wizard

// The texts of the update flow: a string of the program's table, translated
// through the language layer when a language is registered (else the table's
// own text). Any thread may call it once the language is loaded.
#pragma once

#include <cstddef>

#include "platform/text.h"
#include "updater/support/string_resources.h"

namespace updater {

// Texts are loaded into buffers of this many units (with the terminator).
constexpr size_t kFlowTextCapacity = 1024;
// The title text (string 103) is loaded into this many units.
constexpr size_t kTitleCapacity = 128;

// String id of strings, cut to capacity - 1 units; empty for an unknown id.
platform::WString LoadFlowText(const StringResources& strings, unsigned id,
                               size_t capacity = kFlowTextCapacity);

}  // namespace updater

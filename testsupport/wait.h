// Test support: waiting for something another thread or process brings about,
// with a generous deadline so that a loaded machine does not fail the test.
// Any thread.
#pragma once

#include <chrono>
#include <functional>

namespace qo::test {

// The deadline for anything a test waits for.
constexpr std::chrono::seconds kGenerousWait{60};

// Checks condition until it holds (true) or limit has passed (false).
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = kGenerousWait);

}  // namespace qo::test

// The fuzz targets' check: a property that fails aborts the run, which the
// fuzzer reports as a crash with the input that caused it.
#pragma once

#include <cstdlib>

namespace qo::fuzz {

inline void Require(bool condition) {
    if (!condition)
        std::abort();
}

}  // namespace qo::fuzz

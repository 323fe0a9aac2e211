// Arbitrary texts into the version comparison: it must read any text, and
// the order it gives must be consistent (equal to itself, antisymmetric, the
// same field count both ways).
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/require.h"
#include "updater/support/version_compare.h"

using qo::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte splits the rest into the two texts, one byte a character.
    if (size < 1)
        return 0;
    const std::u16string all(data + 1, data + size);
    const size_t split = size > 1 ? data[0] % size : 0;
    const std::u16string a = all.substr(0, split);
    const std::u16string b = all.substr(std::min(split, all.size()));

    int countAB = -1;
    int countBA = -1;
    int countAA = -1;
    const int ab = updater::CompareVersions(a, b, countAB);
    const int ba = updater::CompareVersions(b, a, countBA);
    Require(updater::CompareVersions(a, a, countAA) == 0);
    Require(countAB == countBA && countAB >= 0 && countAB <= 4 && countAA >= countAB);
    Require((ab == 0) == (ba == 0) && (ab < 0) == (ba > 0));
    return 0;
}

// The passes of a wipe, planned from a scheme file's pass lines: what each
// pass writes (or that it only reads), and which passes are verified.
// Pure functions; any thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "wiper/pass_data.h"
#include "wizard/bootconfig/scheme_parser.h"

namespace wiper {

struct PlannedPass {
    wizard::PassType type = wizard::PassType::Pattern;  // the scheme line's kind
    bool writes = true;   // false for the test pass, which reads the drive
    PassData data;        // what a writing pass writes
    bool verify = false;  // read back and compare after writing
};

// Gives the key of a random pass; false when no random key can be had.
using RandomKeySource = std::function<bool(RandomKey&)>;

// Plans the passes of a scheme: a zero pass writes 00 bytes; a pattern pass
// its bytes; a random pass a key stream under a fresh key; a complement pass
// the previous writing pass's data inverted (0xFF bytes when no pass wrote
// before it); a test pass reads the whole drive. A pass line's "verify" is
// kept; classVerify verifies the last writing pass as well (the drive then
// holds what that pass wrote). False when a random key cannot be had.
bool PlanPasses(const std::vector<wizard::SchemePass>& passes, bool classVerify,
                const RandomKeySource& keys, std::vector<PlannedPass>& plan);

// "zeros", "pattern 55 55 AA FF" (at most 8 bytes shown, then "... (N bytes)"),
// "random data", "complement", "read test".
std::string DescribePass(const PlannedPass& pass);

}  // namespace wiper

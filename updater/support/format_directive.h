// Reading one conversion specification of a formatter pattern (the text after
// a "%"): flags, width, precision, size modifier and conversion letter.
// Internal to the formatter; pure functions, any thread.
#pragma once

#include <cstddef>
#include <string>

#include "platform/text.h"

namespace updater::format {

// Numbers in a pattern saturate here, far above every limit that applies.
constexpr int kNumberLimit = 1000000;
// Widths from this value on are ignored; precisions are capped below it.
constexpr int kWidthLimit = 512;

// How many bytes the C argument of a conversion has.
enum class ArgSize { Four, Eight, Half };

struct ConversionSpec {
    std::string flags;   // of "-+0 #", as written
    int width = -1;      // -1: none
    int precision = -1;  // -1: none
    ArgSize size = ArgSize::Four;
    char16_t letter = 0;
    size_t end = 0;  // position in the pattern after the letter

    bool leftAlign() const { return flags.find('-') != std::string::npos; }
    // The width when it applies (below kWidthLimit), else 0.
    size_t usableWidth() const { return width > 0 && width < kWidthLimit ? size_t(width) : 0; }
};

// One of "cCdiouxXeEfgGnpsS".
bool IsConversionLetter(char16_t c);

// Reads decimal digits from pos into value (saturating at kNumberLimit);
// returns the position after them (pos itself when there are none).
size_t ReadNumber(platform::WStringView pattern, size_t pos, int& value);

// Skips a size modifier ("I64", "I32", "I", "ll", "l", "h") at pos; returns
// the position after it and sets size (unchanged when there is none).
size_t SkipSizeModifier(platform::WStringView pattern, size_t pos, ArgSize& size);

// Reads a whole specification starting at pos (just after the "%"). False
// when no conversion letter (or "P") ends it.
bool ReadConversion(platform::WStringView pattern, size_t pos, ConversionSpec& spec);

}  // namespace updater::format

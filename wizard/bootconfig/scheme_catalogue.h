// Scheme catalogue: builds the ordered list of wiping schemes from the "*.sch"
// files of the schemes folder and picks the recommended scheme per drive class.
//
// Called on the interface thread (settings construction, loading, "Set
// default"), or by the build worker while no page runs. Not locked.
#pragma once

#include <cstdint>

#include "platform/text.h"
#include "wizard/bootconfig/wipe_scheme.h"

namespace wizard {

// The display name prefixes of the recommended schemes.
inline constexpr char16_t kRecommendedHddScheme[] = u"7-pass US DoD 5220-22M(ECE)";
inline constexpr char16_t kRecommendedSsdScheme[] = u"3-pass US DoD 5220-22M(E)";
inline constexpr char16_t kRecommendedRemovableScheme[] = u"1-pass random";

// The folder "schemes" beside the program file.
platform::WString DefaultSchemesFolder();

// The four scheme indices of the settings, by reference, in registry order.
struct SchemeIndices {
    int32_t& hdd;
    int32_t& ssd;
    int32_t& removables;
    int32_t& hybrid;
};

// Rebuilds schemes from the "*.sch" files of folder: each accepted file in the
// listing order, then a stable sort by SchemeWeight, highest first. When all
// four indices are 0 and the list is not empty, picks the recommended schemes.
// Existing indices are never remapped. False (and an empty list) when the
// folder cannot be listed or holds no scheme file.
bool RescanSchemes(platform::WStringView folder, SchemeList& schemes, SchemeIndices indices);

// Orders schemes by SchemeWeight, highest first, keeping the order of equals.
void SortSchemes(SchemeList& schemes);

// Walks schemes from first to last and points the indices at the recommended
// schemes (a later match wins); classes without a match keep their index.
void PickRecommendedSchemes(const SchemeList& schemes, SchemeIndices indices);

}  // namespace wizard

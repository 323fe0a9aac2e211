// The ISO image path page's check, for the command line: completes the name
// with ".iso" and makes sure the file can be created or opened there. Main
// thread only.
#pragma once

#include <string>

namespace wizard::cli {

// Appends ".iso" when the name has 4 characters or fewer or does not end in
// ".iso" (any case).
std::string WithIsoExtension(const std::string& path);

// Completes path with WithIsoExtension, then opens the file for reading,
// creating it when missing (a file created only for the check is removed
// again). False when the file cannot be opened or created, or is a folder.
bool CheckIsoPath(std::string& path);

}  // namespace wizard::cli

// Showing a file in the desktop's file manager, for `--iso --open-folder`:
// the freedesktop.org file manager interface (ShowItems over the session bus,
// through dbus-send). Any file manager that implements it opens the folder
// with the file selected. Failures are silent. Main thread only.
#pragma once

#include <string>

namespace wizard::cli {

// "file://" + the absolute path, with every byte outside the unreserved
// characters and "/" percent-encoded.
std::string FileUri(const std::string& absolutePath);

// Asks the file manager to show the file; false when no file manager answered
// within a few seconds (no session bus, none running, dbus-send missing).
bool ShowInFileManager(const std::string& path);

}  // namespace wizard::cli

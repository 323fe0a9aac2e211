// --print-digest: the SHA-256 of a medium, to compare with a published one.
// A file (an ISO image, a USB drive image) is hashed whole, as sha256sum
// does; a whole-disk device only as far as a build wrote it (WrittenExtent:
// from the partition table to the last cluster in use). Main thread.
#pragma once

#include <string>

namespace wizard::cli {

// The digest in lower-case hexadecimal; false with a one-line message in error.
bool MediumDigest(const std::string& path, std::string& digest, std::string& error);

// Prints "<digest>  <path>" as sha256sum does; kExitOk, or kExitFailed after a message.
int PrintMediumDigest(const std::string& path);

}  // namespace wizard::cli

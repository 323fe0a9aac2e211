// Hash lists of the version description files:
//
//   [HASH]                         the next line identifies the release
//   [COMMON_HASH_<alg>-<file>]     the next line is the digest text of the
//                                  file, <alg> "SHA512" or "MD5"
//
// Section names are found ignoring case; release values and digest texts
// compare case-sensitively, so a digest written in lower case never matches.
// Missing files, sections or lines give false without a message.
//
// Any thread may call these; digest failures are shown to the owner given.
#pragma once

#include "platform/text.h"
#include "updater/support/message_owner.h"

namespace updater {

constexpr char16_t kReleaseSection[] = u"[HASH]";
// The characters of a release value that count.
constexpr size_t kReleaseValueLength = 128;
// A digest line is read with this capacity.
constexpr size_t kDigestLineCapacity = 2048;

// Whether the version files of the same name in two folders carry the same
// release value. A file that cannot be read, or has no release value, gives
// false.
bool SameRelease(platform::WStringView folderA, platform::WStringView folderB,
                 platform::WStringView versionFileName);

// "[COMMON_HASH_<algorithm name>-<file name>]"; empty for an unknown index.
platform::WString DigestSectionName(int algorithm, platform::WStringView fileName);

// Whether a file's digest equals its entry in a version file: the SHA-512
// entry when there is one, else the MD5 entry. False when either file is
// missing or the file has no entry.
bool FileMatchesListEntry(platform::WStringView filePath, platform::WStringView versionFilePath,
                          MessageOwner& messages);

}  // namespace updater

// Files and folders: the program's own location, the temporary and documents
// folders, unique temporary names, existence and size, and recursive copy and
// delete.
//
// Paths are WString. Folder paths are returned without a trailing separator.
// kPathSeparator is '\\' on Windows and '/' on Linux. Any thread may call these.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/text.h"

namespace platform {

#ifdef _WIN32
constexpr char16_t kPathSeparator = u'\\';
// The longest path the system's classic file calls take (MAX_PATH).
constexpr size_t kMaxPathLength = 260;
#else
constexpr char16_t kPathSeparator = u'/';
constexpr size_t kMaxPathLength = 4096;  // PATH_MAX
#endif

// A path separator: '\\' or '/' on Windows, '/' on Linux.
constexpr bool IsSeparator(char16_t c) {
#ifdef _WIN32
    return c == u'\\' || c == u'/';
#else
    return c == u'/';
#endif
}

// Joins folder and name with one separator.
WString JoinPath(WStringView folder, WStringView name);
// Everything before the last separator (no separator: empty).
WString ParentFolder(WStringView path);
// Everything after the last separator.
WString FileNamePart(WStringView path);

// Full path of the running program file, and its folder.
WString ProgramFilePath();
WString ProgramFolder();
// The user's temporary folder (Windows: GetTempPath; Linux: $TMPDIR or /tmp).
WString TempFolder();
// The user's documents folder; false when it cannot be found.
bool DocumentsFolder(WString& folder);

// Creates an empty file named <prefix (up to 3 characters)><hex number>.tmp in
// folder, as GetTempFileName does, and returns its path. False on failure.
bool CreateUniqueTempFile(WStringView folder, WStringView prefix, WString& path);
// Creates a new, empty folder named the same way, which only the running user
// may enter (Linux: mode 0700), and returns its path. A folder that exists
// already is never taken over. False on failure.
bool CreateUniqueFolder(WStringView folder, WStringView prefix, WString& path);

bool PathExists(WStringView path);
// A symbolic link (Linux) or a reparse point (Windows), whether or not its target exists.
bool IsLinkPath(WStringView path);
bool IsFolder(WStringView path);
// Size in bytes of a file; false when it cannot be read.
bool FileSize(WStringView path, uint64_t& size);

struct FolderEntry {
    WString name;
    bool isFolder = false;  // a folder, or a link to one
    bool isLink = false;    // a symbolic link or junction (never descended into when deleting)
};
// The entries of a folder (without "." and ".."), sorted by name (code units).
bool ListFolder(WStringView folder, std::vector<FolderEntry>& entries);

// Creates a folder; true when it exists afterwards. CreateFolders also creates parents.
bool CreateFolder(WStringView path);
bool CreateFolders(WStringView path);
// Copies one file, replacing an existing target.
bool CopyOneFile(WStringView from, WStringView to);
// Gives `to` the content of `from` without copying the bytes where the file
// system allows: a hard link to the same file (Linux, same file system, a file
// the user may link), else a copy (which clones extents where it can). A file
// at `to` is replaced, never written through. Only for files that nobody
// writes afterwards: a write to `to` would change `from`.
bool LinkOrCopyOneFile(WStringView from, WStringView to);
// Deletes one file (also a read-only one) or a link (not its target).
bool DeleteOneFile(WStringView path);
// Removes an empty folder.
bool RemoveEmptyFolder(WStringView path);
// Opens a file for reading, creating it when missing, and closes it again; a
// file created only for this probe is deleted. Tells whether a file of that
// name can be created or opened there (a folder cannot).
bool ProbeFileAccess(WStringView path);

// Copies source into destFolder, recursively, merging into existing folders and
// overwriting existing files without asking. The last component of source may
// be a wildcard pattern ('*' and '?'); every match is copied. destFolder is
// created when missing. False when anything could not be copied (the rest is
// still copied) or when a wildcard matches nothing. With CopyMethod::Link every
// file is placed by LinkOrCopyOneFile: for trees that are only read afterwards.
enum class CopyMethod { Copy, Link };
bool CopyTree(WStringView source, WStringView destFolder, CopyMethod method = CopyMethod::Copy);
// Deletes a file or a folder with everything below it. True when nothing of it
// is left (also when it did not exist).
bool DeleteTree(WStringView path);

// Whether a name holds '*' or '?'.
bool HasWildcard(WStringView name);
// Wildcard match of a file name ('*' any run, '?' one character), ignoring
// ASCII case as Windows does.
bool MatchesWildcard(WStringView pattern, WStringView name);

}  // namespace platform

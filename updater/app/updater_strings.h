// The update program's string table: the identifiers of its texts and the
// English texts themselves. Windows loads them from the program's string
// table (renovo.rc, which holds the same texts); Linux and the tests use
// EnglishStrings(). Any thread may read.
#pragma once

#include "updater/support/string_resources.h"

namespace updater {

constexpr unsigned kStrTitle = 103;           // "KV Automatic Update"
constexpr unsigned kStrPageOptions = 104;     // "Update Options"
constexpr unsigned kStrPageVersions = 105;    // "Versions Information"
constexpr unsigned kStrPageAbout = 107;       // "About"
constexpr unsigned kStrColumnFile = 108;      // "File name"
constexpr unsigned kStrColumnCurrent = 110;   // "Current version"
constexpr unsigned kStrColumnNew = 111;       // "New version"
constexpr unsigned kStrThreadError = 112;     // "Error in creating thread"
constexpr unsigned kStrColumnLocation = 114;  // "Location"
constexpr unsigned kStrColumnOs = 115;        // "OS"
constexpr unsigned kStrDisabled = 116;        // "Automatic update feature for %s is disabled."
constexpr unsigned kStrInstallError = 117;    // "Error in installing product"
constexpr unsigned kStrBrowseFolder = 119;    // "Browse for download folder."
constexpr unsigned kStrUpToDate = 120;        // "Version is up to date."
constexpr unsigned kStrTimeLeft = 126;        // "%s ( %s of %s copied )"
constexpr unsigned kStrDoesNotExist = 127;    // "Does not exist"
constexpr unsigned kStrNoDifferences = 128;   // "No differences found"
constexpr unsigned kStrSiteVersion = 129;     // "  ( site version %s )"
constexpr unsigned kStrNotFound = 130;        // "Not found"
constexpr unsigned kStrDaily = 131;           // "Daily"
constexpr unsigned kStrWeekly = 132;          // "Weekly"
constexpr unsigned kStrMonthly = 133;         // "Monthly"
constexpr unsigned kStrNewVersion = 135;      // "New version of %s is available.\n..."
constexpr unsigned kStrReinstall = 138;       // "Your %s software is up-to-date.\n..."
constexpr unsigned kStrInstalled = 139;       // "Installation successfully completes"
constexpr unsigned kStrCancelled = 140;       // "Installation cancelled"
constexpr unsigned kStrDownloadError = 141;   // "Error in downloading file"

// Every text of the table, ids 103 to 141, in English.
const StringTable& EnglishStrings();

}  // namespace updater

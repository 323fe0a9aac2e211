// The interactive run on the command line, in place of the update window:
// the header and the status line of the Update Options page, the Versions
// Information list, then the question to update now, which runs UpdateCheck
// and reports its result as the Update Now worker does. Main thread only.
#pragma once

#include <cstdio>

#include "updater/app/cli/terminal_front_end.h"
#include "updater/app/update_check.h"
#include "updater/app/version_list.h"

namespace updater::cli {

// The template of the status line, filled with the installer's file name.
constexpr char16_t kStatusTemplate[] = u"Download and install %s file";
// The template of the header, filled with the product name and version.
constexpr char16_t kHeaderTemplate[] = u"Automatic update for %s v.%s";
// The answer "no" to the question to update now: the window's Cancel.
constexpr int kExitNotUpdated = 2;

// Fills the list with fetch first and gives the status line: the template
// filled with the installer name; "Version is up to date." (string 120) when
// no component row was added; else the site version (string 129) appended
// when one is known.
platform::WString BuildStatusLine(VersionListSource& source, VersionListView& view);

// The interactive run, once the start-up decided on it (DecideStart). The
// exit code: renovo.cfg unreadable 0; no update asked for 2; otherwise the
// result of UpdateCheck. Output goes to out, questions to the front end's
// terminal.
int RunInteractive(UpdaterState& state, UpdateServices& services,
                   const TerminalQuestions& questions, std::FILE* out);

// --versions: the list only; 0, or -1 when the description was not fetched.
int RunVersionList(UpdaterState& state, UpdateServices& services, std::FILE* out);

}  // namespace updater::cli

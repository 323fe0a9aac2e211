// The German language for the update program's GUI tests: the real language
// library and langfile/po/de.po, laid out in a folder as an installation has
// them, and started for a program in that folder.
#pragma once

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/support/lang_file.h"

namespace updater::testing {

// Starts lang with German from folder; false when a file is missing or the
// language does not load.
inline bool StartGerman(cLangFile& lang, const qo::test::ScratchFolder& folder) {
    const platform::WString build = platform::ParentFolder(platform::ProgramFolder());
    return platform::CopyOneFile(
               platform::JoinPath(platform::JoinPath(build, u"langfile"), cLangFile::kLibraryName),
               folder / cLangFile::kLibraryName) &&
           platform::CopyOneFile(qo::test::SourceFile({u"langfile", u"po", u"de.po"}),
                                 folder / u"langfile.txt") &&
           lang.Start(folder / u"RenovoGuiTest.exe");
}

}  // namespace updater::testing

// The English string table of the update program.
#include "updater/app/updater_strings.h"

namespace updater {

const StringTable& EnglishStrings() {
    static const StringTable table = [] {
        StringTable t;
        t.Add(103, u"KV Automatic Update");
        t.Add(104, u"Update Options");
        t.Add(105, u"Versions Information");
        t.Add(106, u"Version");
        t.Add(107, u"About");
        t.Add(108, u"File name");
        t.Add(109, u"Size");
        t.Add(110, u"Current version");
        t.Add(111, u"New version");
        t.Add(112, u"Error in creating thread");
        t.Add(113, u"Date");
        t.Add(114, u"Location");
        t.Add(115, u"OS");
        t.Add(116, u"Automatic update feature for %s is disabled.");
        t.Add(117, u"Error in installing product");
        t.Add(118, u"Error in reading configuration file");
        t.Add(119, u"Browse for download folder.");
        t.Add(120, u"Version is up to date.");
        t.Add(121, u"Checking for a new version...");
        t.Add(122, u"Downloading...");
        t.Add(123, u"Installing...");
        t.Add(124, u"Please wait");
        t.Add(125, u"Unknown");
        t.Add(126, u"%s ( %s of %s copied )");
        t.Add(127, u"Does not exist");
        t.Add(128, u"No differences found");
        t.Add(129, u"  ( site version %s )");
        t.Add(130, u"Not found");
        t.Add(131, u"Daily");
        t.Add(132, u"Weekly");
        t.Add(133, u"Monthly");
        t.Add(134, u"Download folder");
        t.Add(135, u"New version of %s is available.\nDo you want to download and install it now?");
        t.Add(136, u"No update is available.");
        t.Add(137, u"Cannot connect to the download site.");
        t.Add(138,
              u"Your %s software is up-to-date.\nDo you still want to download and re-install the "
              u"latest version?");
        t.Add(139, u"Installation successfully completes");
        t.Add(140, u"Installation cancelled");
        t.Add(141, u"Error in downloading file");
        return t;
    }();
    return table;
}

}  // namespace updater

#include "updater/app/version_table_text.h"

#include <gtest/gtest.h>

#include "updater/app/updater_strings.h"

namespace updater {
namespace {

// Columns line up under their titles (file names to the left, the rest to
// the right), counted in characters, not bytes; a fill starts a new table.
TEST(TextVersionTable, RendersRowsUnderTheColumnTitles) {
    TextVersionTable table;
    table.Add({u"old.dll", u"1", u"2", u"x", u"", 0});
    table.Clear();
    table.Add({u"wipe.sys", u"2.1.0.0", u"2.1.0.1", u"drivers", u"W10_amd64", kVersionNewer});
    table.Add({u"Omnisweep.exe", u"3.0", u"2.9", u"Program Files", u"", kVersionOlder});
    table.Add({u"d\u00e9j\u00e0.txt", u"1.0.0.0", u"1.0.0.0", u"Sh\u00e4red", u"", kVersionSame});
    table.Add({u"No differences found", u"", u"", u"", u"", kVersionSame});
    EXPECT_EQ(table.Rows().size(), 4u);
    EXPECT_EQ(table.Render(EnglishStrings()),
              "   File name             Current version  New version       Location         OS\n"
              "<  wipe.sys                      2.1.0.0      2.1.0.1        drivers  W10_amd64\n"
              ">  Omnisweep.exe                     3.0          2.9  Program Files\n"
              "=  d\xc3\xa9j\xc3\xa0.txt                      1.0.0.0      1.0.0.0         "
              "Sh\xc3\xa4red\n"
              "   No differences found\n");
}

}  // namespace
}  // namespace updater

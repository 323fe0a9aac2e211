// The German translation covers the whole string table, and every translated
// pattern takes the same arguments as its English key (a translation that
// does not would be refused at run time and the English text shown).
#include "updater/app/updater_strings.h"

#include <gtest/gtest.h>

#include "langfile/po_reader.h"
#include "testsupport/scratch_folder.h"
#include "updater/support/placeholder_check.h"

namespace updater {
namespace {

TEST(UpdaterStrings, GermanTranslationCoversEveryString) {
    const std::string bytes =
        qo::test::ReadFileBytes(qo::test::SourceFile({u"langfile", u"po", u"de.po"}));
    langfile::Catalog catalog;
    const langfile::PoResult read = langfile::ReadPo(bytes, catalog);
    ASSERT_TRUE(read.ok) << read.line << ": " << read.error;
    size_t count = 0;
    for (unsigned id = 100; id < 160; ++id) {
        platform::WString english;
        if (!EnglishStrings().Load(id, english))
            continue;
        ++count;
        const auto found = catalog.find(english);
        if (found == catalog.end()) {
            ADD_FAILURE() << "string " << id << " has no German translation";
            continue;
        }
        EXPECT_TRUE(PlaceholdersAgree(found->second, english)) << "string " << id;
    }
    EXPECT_EQ(count, 39u);  // ids 103 to 141
}

}  // namespace
}  // namespace updater

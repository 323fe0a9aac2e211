#include "updater/app/update_report.h"

#include <gtest/gtest.h>

#include <vector>

#include "updater/app/update_front_end.h"
#include "updater/app/updater_strings.h"
#include "updater/support/testing/message_recorder.h"

namespace updater {
namespace {

TEST(UpdateReport, EachResultShowsItsTextOrNothingOrTheVersionsPage) {
    struct Case {
        int result;
        const char16_t* text;  // null: no message
        unsigned icon;
        bool versionsPage;
    };
    const std::vector<Case> cases = {
        {1, u"Installation successfully completes", kMessageInformationIcon, false},
        {2, u"Installation cancelled", kMessageInformationIcon, false},
        {-1, u"Error in downloading file", kMessageErrorIcon, false},
        {4, nullptr, 0, false},
        {5, nullptr, 0, true},
        {0, u"Error in installing product", kMessageErrorIcon, false},
        {3, u"Error in installing product", kMessageErrorIcon, false},
        {-2, u"Error in installing product", kMessageErrorIcon, false},
        {1223, u"Error in installing product", kMessageErrorIcon, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        testing::MessageRecorder owner;
        EXPECT_EQ(ShowCheckReport(c.result, owner, EnglishStrings()), c.versionsPage);
        if (c.text == nullptr) {
            EXPECT_TRUE(owner.shown.empty());
            continue;
        }
        ASSERT_EQ(owner.shown.size(), 1u);
        EXPECT_EQ(owner.shown[0].text, c.text);
        EXPECT_EQ(owner.shown[0].caption, u"Renovo");
        EXPECT_EQ(owner.shown[0].style, c.icon);
    }
}

}  // namespace
}  // namespace updater

// The restart question's behaviour, whatever shows it, and its terminal form.
#include "updater/install/restart.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace updater {
namespace {

TEST(RestartQuestion, OnlyRestartNowOrLaterEndTheDialog) {
    const RestartDialogLogic dialog(u"KV Automatic Update", u"Quelix Omnisweep");
    EXPECT_EQ(dialog.Caption(), u"KV Automatic Update");
    EXPECT_EQ(dialog.Text(),
              u"Quelix Omnisweep has been updated successfully.\nThe updated modules will start "
              u"working after reboot.");
    struct Case {
        int command;
        std::optional<int> result;
    };
    for (const Case& c : {Case{kRestartNow, kRestartNow}, Case{kRestartLater, kRestartLater},
                          Case{kCommandCancel, std::nullopt}, Case{1, std::nullopt}}) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(RestartDialogLogic::OnCommand(c.command), c.result);
    }
}

TEST(RestartQuestion, TheTerminalAsksUntilTheUserChooses) {
    struct Case {
        std::string input;
        int answer;
    };
    for (const Case& c : {Case{"r\n", kRestartNow}, Case{"\nx\nl\n", kRestartLater},
                          Case{"maybe\nR", kRestartNow}, Case{"", kRestartLater}}) {
        SCOPED_TRACE(c.input);
        std::FILE* in = std::tmpfile();
        std::FILE* out = std::tmpfile();
        ASSERT_NE(in, nullptr);
        ASSERT_NE(out, nullptr);
        std::fputs(c.input.c_str(), in);
        std::rewind(in);
        TerminalRestartQuestion question(in, out);
        EXPECT_EQ(question.Ask(nullptr, u"Renovo", u"Quelix Omnisweep"), c.answer);
        std::rewind(out);
        char line[128] = {};
        ASSERT_NE(std::fgets(line, sizeof(line), out), nullptr);
        EXPECT_STREQ(line, "Renovo\n");
        std::fclose(in);
        std::fclose(out);
    }
}

}  // namespace
}  // namespace updater

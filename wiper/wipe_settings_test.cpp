#include "wiper/wipe_settings.h"

#include <gtest/gtest.h>

#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"

namespace wiper {
namespace {

using qo::test::ReadFileBytes;
using qo::test::SourceFile;

// The files the wizard writes (its golden files, CR LF line ends) read back.
TEST(WipeSettings, ReadsWhatTheWizardWrites) {
    const WipeConfig automatic = ParseWipeConfig(
        ReadFileBytes(SourceFile({u"wizard", u"config", u"testdata", u"wipe_config_auto"})));
    EXPECT_TRUE(automatic.wipeAll);
    EXPECT_FALSE(automatic.operatorShell || automatic.noDelay || automatic.logToUsb ||
                 automatic.locked || automatic.logToShare);

    const WipeConfig net = ParseWipeConfig(
        ReadFileBytes(SourceFile({u"wizard", u"config", u"testdata", u"wipe_config_netlog"})));
    EXPECT_TRUE(net.operatorShell && net.noDelay && net.logToUsb && net.locked && net.logToShare);
    EXPECT_FALSE(net.wipeAll || net.askPassword);
    EXPECT_EQ(net.share, "//srv/wipe logs");
    EXPECT_EQ(net.user, "CORP/admin");
    EXPECT_EQ(net.password, "it's $ecret");

    WipePolicy policy;
    std::string error;
    ASSERT_TRUE(
        ParsePolicy(ReadFileBytes(SourceFile({u"wizard", u"config", u"testdata", u"policy.cfg"})),
                    policy, error))
        << error;
    const ClassPolicy& hdd = policy.Of(DriveClass::Hdd);
    EXPECT_TRUE(hdd.present && hdd.verify && hdd.resetHpa && hdd.ataErase && !hdd.resetDco);
    EXPECT_EQ(hdd.scheme, "dod7");
    EXPECT_EQ(policy.Of(DriveClass::Hybrid).scheme, "dod.3pass");
    EXPECT_EQ(policy.Of(DriveClass::Ssd).scheme, "dod.3pass");
    const ClassPolicy& removable = policy.Of(DriveClass::Removable);
    EXPECT_EQ(removable.scheme, "1-pass-random");
    EXPECT_TRUE(removable.verify && !removable.resetHpa && !removable.ataErase);
}

// Values as a POSIX shell reads them: the shell itself is the judge.
TEST(WipeSettings, ValuesReadAsTheShellReadsThem) {
    const char* cases[] = {
        "plain/value:1,2",
        "'two words'",
        "'it'\\''s'",
        "\"dq \\\"quoted\\\" \\$HOME \\\\ back\"",
        "mixed'single'\"double\"\\ escaped",
        "'#not a comment'",
        "cut # a comment",
        "''",
    };
    qo::test::ScratchFolder scratch;
    for (const char* value : cases) {
        const std::string text = std::string("export NET_PASS=") + value + "\n";
        const platform::WString file = scratch.Write(u"wipe_config", text);
        std::string expected;
        ASSERT_EQ(qo::test::RunShell(
                      ". " + qo::test::ShellPath(file) + " && printf %s \"$NET_PASS\"", expected),
                  0)
            << value;
        EXPECT_EQ(ParseWipeConfig(text).password, expected) << value;
    }
    // Flags are on only for "y"; other lines and names are ignored.
    const WipeConfig c = ParseWipeConfig(
        "# comment\n\texport\tUSE_NODELAY=y\nWIPE_ALL_DISKS=yes\nexport LOCK_PRESET='y'\n"
        "export NET_USER='unclosed\nexport =y\nUSE_LOGFILE y\n");
    EXPECT_TRUE(c.noDelay && c.locked);
    EXPECT_FALSE(c.wipeAll || c.logToUsb);
    EXPECT_EQ(c.user, "");
}

TEST(WipeSettings, PolicyErrorsAndMissingClasses) {
    const struct {
        const char* text;
        bool ok;
    } cases[] = {
        {"", false},
        {"{\"wipePolicies\": []}", false},
        {"{\"wipePolicies\": [{}]} trailing", false},
        {"{\"wipePolicies\": [{\"hdd\": {\"wipeScheme\": {\"name\": \"a\\u0062c\"}}]}", false},
        {"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]", false},
        {"{\"wipePolicies\": [{\"hdd\": {\"verification\": 1, \"wipeScheme\": {\"name\": "
         "\"a\\u0062\\\"c\"}}, \"ssd\": {\"wipeScheme\": {}}}]}",
         true},
    };
    for (const auto& c : cases) {
        WipePolicy policy;
        std::string error;
        EXPECT_EQ(ParsePolicy(c.text, policy, error), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
        }
    }
    WipePolicy policy;
    std::string error;
    ASSERT_TRUE(ParsePolicy(cases[5].text, policy, error));
    EXPECT_EQ(policy.Of(DriveClass::Hdd).scheme, "ab\"c");
    EXPECT_FALSE(policy.Of(DriveClass::Hdd).verify);  // not a JSON boolean
    EXPECT_FALSE(policy.Of(DriveClass::Ssd).present);
    EXPECT_FALSE(policy.Of(DriveClass::Removable).present);
}

}  // namespace
}  // namespace wiper

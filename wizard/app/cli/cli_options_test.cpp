#include "wizard/app/cli/cli_options.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/registry.h"
#include "testsupport/scratch_folder.h"

namespace wizard::cli {
namespace {

std::vector<std::string> Args(std::initializer_list<const char*> list) {
    return std::vector<std::string>(list.begin(), list.end());
}

std::string ParseError(std::initializer_list<const char*> list) {
    CliOptions o;
    std::string error;
    EXPECT_FALSE(ParseCli(Args(list), o, error));
    return error;
}

// Settings over the shipped scheme files and a private registry file.
class CliApply : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::SetRegistryFilePath(platform::Hive::CurrentUser, platform::ToUtf8(store_));
        env_.SchemesFolder = qo::test::SourceFile({u"payload", u"schemes"});
        env_.ProgramFolder = platform::TempFolder();
        env_.DocumentsFolder = platform::TempFolder();
    }
    void TearDown() override { platform::SetRegistryFilePath(platform::Hive::CurrentUser, ""); }
    bool Apply(std::initializer_list<const char*> list, WizardSettings& s, std::string& error) {
        CliOptions o;
        if (!ParseCli(Args(list), o, error))
            return false;
        return ApplyCli(o, s, error);
    }
    qo::test::ScratchFolder scratch_{u"qo-cli"};
    const platform::WString store_ = scratch_ / u"user.reg";
    SettingsEnvironment env_;
};

TEST(CliParse, UsbTargetListAndYes) {
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::vector<std::string> targets;
        bool yes, verifies;
    } cases[] = {
        {{"--usb", "/dev/sdb"}, Action::Usb, {"/dev/sdb"}, false, false},
        {{"--usb=drive.img", "--yes"}, Action::Usb, {"drive.img"}, true, false},
        {{"--yes", "--manual", "--usb", "-odd name.img"},
         Action::Usb,
         {"-odd name.img"},
         true,
         false},
        {{"--usb", "a.img", "--usb=/dev/sdb", "--record", "r"},
         Action::Usb,
         {"a.img", "/dev/sdb"},
         false,
         true},
        {{"--usb", "a.img", "--usb", "b.img", "--no-verify-medium"},
         Action::Usb,
         {"a.img", "b.img"},
         false,
         false},
        {{"--verify-medium", "--usb", "a.img"}, Action::Usb, {"a.img"}, false, true},
        {{"--iso", "x.iso"}, Action::Iso, {}, false, true},
        {{"--list-usb"}, Action::ListUsb, {}, false, false},
        {{"--list-usb", "--watch"}, Action::ListUsb, {}, false, false},
    };
    for (const Case& c : cases) {
        CliOptions o;
        std::string error;
        ASSERT_TRUE(ParseCli(c.args, o, error)) << error;
        EXPECT_EQ(o.action, c.action);
        EXPECT_EQ(o.usbTargets, c.targets);
        EXPECT_EQ(o.yes, c.yes);
        EXPECT_EQ(o.VerifiesMedium(), c.verifies) << c.args[0];
    }
    EXPECT_EQ(ParseError({"--record", "r", "--list-usb"}), "--record needs --iso or --usb");
    EXPECT_EQ(ParseError({"--verify-medium"}), "--verify-medium needs --iso or --usb");
    EXPECT_EQ(ParseError({"--usb"}), "--usb needs a value");
    EXPECT_EQ(ParseError({"--usb="}), "--usb needs a disk device or an image file");
    EXPECT_NE(ParseError({"--usb", "x.img", "--iso", "y.iso"}).find("only one"), std::string::npos);
    EXPECT_NE(ParseError({"--list-usb", "--usb", "x.img"}).find("only one"), std::string::npos);
}

TEST(CliParse, ReproducibleBuildsAndDigests) {
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::string digestTarget;
        bool printDigest, reproducible;
    } cases[] = {
        {{"--iso", "x.iso", "--reproducible", "--print-digest"}, Action::Iso, "", true, true},
        {{"--print-digest", "--usb", "x.img"}, Action::Usb, "", true, false},
        {{"--print-digest", "/dev/sdb"}, Action::Digest, "/dev/sdb", true, false},
        {{"--print-digest=x.iso"}, Action::Digest, "x.iso", true, false},
        {{"--netboot", "net", "--reproducible"}, Action::Netboot, "", false, true},
    };
    for (const Case& c : cases) {
        CliOptions o;
        std::string error;
        ASSERT_TRUE(ParseCli(c.args, o, error)) << error;
        EXPECT_EQ(o.action, c.action);
        EXPECT_EQ(o.digestTarget, c.digestTarget);
        EXPECT_EQ(o.printDigest, c.printDigest);
        EXPECT_EQ(o.reproducible, c.reproducible);
    }
    EXPECT_EQ(ParseError({"--print-digest"}),
              "--print-digest needs --iso, --usb or a medium to read");
    EXPECT_EQ(ParseError({"--reproducible", "--list-usb"}),
              "--reproducible needs --iso, --usb or --netboot");
    EXPECT_NE(ParseError({"--print-digest", "a.iso", "--iso", "b.iso"}).find("only one"),
              std::string::npos);
}

TEST(CliParse, RefusesWhatItCannotUseWithOneClearLine) {
    EXPECT_EQ(ParseError({"--bogus"}), "unknown option '--bogus'");
    EXPECT_EQ(ParseError({"--check-share", "--yes"}), "--check-share needs --log-share UNC");
    EXPECT_EQ(ParseError({"--auto=1"}), "unknown option '--auto=1'");
    EXPECT_EQ(ParseError({"--scheme"}), "--scheme needs a value");
    EXPECT_NE(ParseError({"--scheme", "tape=1"}).find("CLASS=INDEX"), std::string::npos);
    EXPECT_NE(ParseError({"--verify", "hdd,floppy"}).find("'floppy'"), std::string::npos);
    EXPECT_NE(ParseError({"--default-settings", "--verify", "hdd"}).find("cannot be combined"),
              std::string::npos);
    EXPECT_NE(ParseError({"--list-schemes", "--write-config", "x"}).find("only one"),
              std::string::npos);
    EXPECT_NE(ParseError({"--netboot", "net", "--usb", "x.img"}).find("only one"),
              std::string::npos);
    EXPECT_EQ(ParseError({"--netboot="}), "--netboot needs a folder");
    EXPECT_NE(ParseError({"--netboot", "net", "--proxy-dhcp", "192.168.1"}).find("IPv4 address"),
              std::string::npos);
    EXPECT_EQ(ParseError({"--iso", "--proxy-dhcp", "10.0.0.0"}),
              "--proxy-dhcp needs --netboot DIR");

    CliOptions o;
    std::string error;
    ASSERT_TRUE(ParseCli(Args({"--manual", "--verify=hdd,ssd", "--no-verify", "removable",
                               "--scheme", "hybrid=2", "--no-ata-erase", "--write-config=out"}),
                         o, error))
        << error;
    EXPECT_EQ(o.action, Action::WriteConfig);
    EXPECT_EQ(o.configFolder, "out");
    EXPECT_EQ(o.autoStart, false);
    ASSERT_EQ(o.verify.size(), 3u);
    EXPECT_EQ(o.verify[2], std::make_pair(DriveClass::Removables, false));
    EXPECT_TRUE(o.SetsWipingOption());
    EXPECT_EQ(o.ataErase, false);
}

TEST_F(CliApply, WipingOptionsResolveSchemesAndAreStoredOthersAreNot) {
    WizardSettings s(env_);
    ASSERT_GE(s.Schemes.size(), 4u);
    std::string error;
    // Logging and work mode alone write nothing to the store.
    ASSERT_TRUE(Apply({"--manual", "--log-share", "//srv/wipe logs", "--share-user", "CORP\\admin",
                       "--lock-settings"},
                      s, error))
        << error;
    EXPECT_FALSE(platform::PathExists(store_));
    EXPECT_EQ(s.AutoStart, 0);
    EXPECT_EQ(s.NetLog, 1);
    EXPECT_EQ(s.NetShare, u"\\\\srv\\wipe logs");
    EXPECT_EQ(s.NetUser, u"CORP\\admin");
    EXPECT_EQ(s.LockPreset, 1);

    // Schemes by index, by file name and by display name, ignoring case.
    const std::string lastFile = platform::ToUtf8(s.Schemes.back().FileName);
    const std::string firstName = platform::ToUtf8(s.Schemes.front().DisplayName);
    for (char& c : const_cast<std::string&>(lastFile))
        c = static_cast<char>(toupper(c));
    ASSERT_TRUE(Apply({"--scheme", "hdd=1", "--scheme", ("ssd=" + lastFile).c_str(), "--scheme",
                       ("removable=" + firstName).c_str(), "--verify", "hybrid", "--reset-hpa"},
                      s, error))
        << error;
    EXPECT_EQ(s.UseDefaultSetings, 0);
    EXPECT_EQ(s.SchemeHdd, 1);
    EXPECT_EQ(s.SchemeSsd, static_cast<int32_t>(s.Schemes.size() - 1));
    EXPECT_EQ(s.SchemeRemovables, 0);
    EXPECT_EQ(s.VerifyHybrid, 1);
    EXPECT_EQ(s.ResetHPA, 1);

    // What was stored loads back.
    WizardSettings again(env_);
    again.LoadSettings();
    EXPECT_EQ(again.UseDefaultSetings, 0);
    EXPECT_EQ(again.SchemeHdd, 1);
    EXPECT_EQ(again.SchemeSsd, s.SchemeSsd);
    EXPECT_EQ(again.VerifyHybrid, 1);
    EXPECT_EQ(again.NetPassword, u"");
}

TEST_F(CliApply, LoggingStartsFromThePageValuesNotFromTheStore) {
    WizardSettings stored(env_);
    stored.WriteLog = 0;
    stored.NetLog = 1;
    stored.NetShare = u"\\\\old\\logs";
    stored.NetUser = u"olduser";
    stored.SaveSettings();
    WizardSettings s(env_);
    s.LoadSettings();
    ASSERT_EQ(s.NetLog, 1);
    ASSERT_EQ(s.NetShare, u"\\\\old\\logs");
    std::string error;
    ASSERT_TRUE(Apply({"--manual"}, s, error)) << error;
    EXPECT_EQ(s.WriteLog, 1);
    EXPECT_EQ(s.NetLog, 0);
    EXPECT_EQ(s.NetShare, u"");
    EXPECT_EQ(s.NetUser, u"");
    EXPECT_EQ(s.LockPreset, 0);
    ASSERT_TRUE(Apply({"--no-log-usb", "--log-share", "//new/logs"}, s, error)) << error;
    EXPECT_EQ(s.WriteLog, 0);
    EXPECT_EQ(s.NetLog, 1);
    EXPECT_EQ(s.NetShare, u"\\\\new\\logs");
    EXPECT_EQ(s.NetUser, u"");
}

TEST_F(CliApply, RefusedOptionsChangeAndStoreNothing) {
    WizardSettings s(env_);
    std::string error;
    EXPECT_FALSE(Apply({"--verify", "hdd", "--scheme", "hdd=999"}, s, error));
    EXPECT_NE(error.find("no scheme '999'"), std::string::npos);
    EXPECT_FALSE(Apply({"--scheme", "ssd=No Such Scheme"}, s, error));
    EXPECT_FALSE(Apply({"--log-share", "server-without-share"}, s, error));
    EXPECT_NE(error.find("is not a share"), std::string::npos);
    EXPECT_FALSE(Apply({"--reset-dco", "--share-password-file", "/nonexistent/pw"}, s, error));
    EXPECT_NE(error.find("password file"), std::string::npos);
    EXPECT_FALSE(platform::PathExists(store_));
    EXPECT_EQ(s.VerifyHdd, 0);
    EXPECT_EQ(s.ResetDCO, 0);

    // The password comes from the file's first line, without its line end.
    const platform::WString pw = scratch_.Write(u"pw", "p@ss 'word' $x\r\nsecond line\n");
    ASSERT_TRUE(Apply({"--share-password-file", platform::ToUtf8(pw).c_str()}, s, error)) << error;
    EXPECT_EQ(s.NetPassword, u"p@ss 'word' $x");
}

}  // namespace
}  // namespace wizard::cli

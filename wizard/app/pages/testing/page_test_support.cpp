#include "wizard/app/pages/testing/page_test_support.h"

#include "platform/files.h"
#include "platform/registry.h"

namespace wizard {
#ifdef _WIN32
bool DeleteSettingsKeyForTest();  // wizard/settings/win32/delete_settings_key.cpp
#endif
namespace pages::testing {

void PageTest::SetUp() {
#ifdef _WIN32
    ASSERT_TRUE(DeleteSettingsKeyForTest());
#else
    platform::SetRegistryFilePath(platform::Hive::CurrentUser,
                                  platform::ToUtf8(Scratch(u"user.reg")));
#endif
}

void PageTest::TearDown() {
#ifdef _WIN32
    DeleteSettingsKeyForTest();
#else
    platform::SetRegistryFilePath(platform::Hive::CurrentUser, "");
#endif
}

platform::WString PageTest::Scratch(platform::WStringView name) const {
    return scratch_ / name;
}

std::unique_ptr<WizardSettings> PageTest::LoadedSettings() const {
    SettingsEnvironment env;
    env.SchemesFolder = qo::test::SourceFile({u"payload", u"schemes"});
    env.DocumentsFolder = root_;
    env.ProgramFolder = root_;
    auto settings = std::make_unique<WizardSettings>(env);
    settings->LoadSettings();
    return settings;
}

}  // namespace pages::testing
}  // namespace wizard

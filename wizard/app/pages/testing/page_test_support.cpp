#include "wizard/app/pages/testing/page_test_support.h"

#include <cstdlib>

#include "platform/files.h"
#include "platform/registry.h"

namespace wizard {
#ifdef _WIN32
bool DeleteSettingsKeyForTest();  // wizard/settings/win32/delete_settings_key.cpp
#endif
namespace pages::testing {

void PageTest::SetUp() {
    platform::WString file;
    ASSERT_TRUE(platform::CreateUniqueTempFile(platform::TempFolder(), u"qpg", file));
    ASSERT_TRUE(platform::DeleteOneFile(file));
    root_ = file + u".d";
    ASSERT_TRUE(platform::CreateFolder(root_));
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
    platform::DeleteTree(root_);
}

platform::WString PageTest::Scratch(platform::WStringView name) const {
    return platform::JoinPath(root_, name);
}

std::unique_ptr<WizardSettings> PageTest::LoadedSettings() const {
    const char* source = std::getenv("QO_SOURCE_DIR");
    SettingsEnvironment env;
    env.SchemesFolder = platform::JoinPath(
        platform::JoinPath(platform::FromUtf8(source ? source : "."), u"payload"), u"schemes");
    env.DocumentsFolder = root_;
    env.ProgramFolder = root_;
    auto settings = std::make_unique<WizardSettings>(env);
    settings->LoadSettings();
    return settings;
}

}  // namespace pages::testing
}  // namespace wizard

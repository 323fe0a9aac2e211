// Test support for the pages: a scratch folder, a private settings store (a
// file on Linux, the cleared settings key of the test prefix under Wine) and
// settings built on the scheme files of the demo payload.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/text.h"
#include "testsupport/scratch_folder.h"
#include "wizard/settings/wizard_settings.h"

namespace wizard::pages::testing {

class PageTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Settings as the program builds them (catalogue of the demo schemes,
    // stored values loaded).
    std::unique_ptr<WizardSettings> LoadedSettings() const;
    platform::WString Scratch(platform::WStringView name) const;

    qo::test::ScratchFolder scratch_{u"qo-pages"};
    const platform::WString& root_ = scratch_.Path();
};

}  // namespace wizard::pages::testing

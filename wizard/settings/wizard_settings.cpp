#include "wizard/settings/wizard_settings.h"

#include <utility>

#include "platform/files.h"

namespace wizard {
namespace {

constexpr char16_t kDefaultIsoName[] = u"quelixcd.iso";

// The folder part of a path: everything up to and including the last separator.
platform::WString FolderPart(platform::WStringView path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (platform::IsSeparator(path[i - 1]))
            return platform::WString(path.substr(0, i));
    }
    return {};
}

}  // namespace

SettingsEnvironment DefaultSettingsEnvironment() {
    SettingsEnvironment env;
    env.SchemesFolder = DefaultSchemesFolder();
    if (!platform::DocumentsFolder(env.DocumentsFolder))
        env.DocumentsFolder.clear();
    env.ProgramFolder = platform::ProgramFolder();
    return env;
}

WizardSettings::WizardSettings(SettingsEnvironment env) : Environment(std::move(env)) {
    RescanSchemes();
    ProductVersion = ReadProductVersion();
}

bool WizardSettings::RescanSchemes() {
    return wizard::RescanSchemes(Environment.SchemesFolder, Schemes, Indices());
}

void WizardSettings::ResetToRecommended() {
    SchemeHdd = SchemeSsd = SchemeRemovables = SchemeHybrid = 0;
    VerifyHdd = VerifySsd = VerifyRemovables = VerifyHybrid = 0;
    ResetHPA = ResetDCO = 0;
    AtaErase = 1;
    RescanSchemes();
}

void WizardSettings::ValidateSchemeIndices() {
    for (int32_t* index : {&SchemeHdd, &SchemeSsd, &SchemeRemovables, &SchemeHybrid}) {
        if (*index < 0 || static_cast<size_t>(*index) >= Schemes.size())
            *index = 0;
    }
}

void WizardSettings::ApplyDefaultIsoPath() {
    if (IsoPath) {
        if (platform::PathExists(*IsoPath))
            return;
        const platform::WString folder = FolderPart(*IsoPath);
        if (!folder.empty() && platform::PathExists(folder))
            return;
    }
    const platform::WString& base = Environment.DocumentsFolder.empty()
                                        ? Environment.ProgramFolder
                                        : Environment.DocumentsFolder;
    IsoPath = platform::JoinPath(base, kDefaultIsoName);
}

std::string CutProductVersion(std::string_view text) {
    return std::string(text.substr(0, kProductVersionMaxChars));
}

}  // namespace wizard

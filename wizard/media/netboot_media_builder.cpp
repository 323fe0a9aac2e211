#include "wizard/media/netboot_media_builder.h"

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/output_file.h"
#include "wizard/config/boot_config_writer.h"
#include "wizard/config/config_archive.h"
#include "wizard/config/file_stream.h"
#include "wizard/media/build_messages.h"
#include "wizard/media/dnsmasq_config.h"

namespace wizard {
namespace {

using platform::JoinPath;
using platform::WString;
using platform::WStringView;

namespace fs = std::filesystem;

// Files readable by all and folders open to all: the TFTP server reads the
// tree as an unprivileged user.
constexpr fs::perms kFilePerms =
    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
constexpr fs::perms kFolderPerms =
    kFilePerms | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;

bool SetPerms(WStringView path, fs::perms perms) {
    std::error_code error;
    fs::permissions(fs::path(std::u16string(path)), perms, error);
    return !error;
}

}  // namespace

NetbootMediaBuilder::NetbootMediaBuilder(WizardSettings& settings, BuildContext& build,
                                         WString programFolder, NetbootTarget target,
                                         WString tempFolder)
    : settings_(settings),
      build_(build),
      programFolder_(std::move(programFolder)),
      target_(std::move(target)),
      tempFolder_(tempFolder.empty() ? platform::TempFolder() : std::move(tempFolder)) {}

NetbootMediaBuilder::~NetbootMediaBuilder() {
    if (!stage_.empty())
        platform::DeleteTree(stage_);
}

bool NetbootMediaBuilder::Fail(const WString& text) {
    build_.ShowMessage(kBuildErrorCaption, u"Error in creating the network boot folder: " + text);
    return false;
}

bool NetbootMediaBuilder::BuildNetbootTree() {
    if (settings_.UseDefaultSetings == 1)
        settings_.ResetToRecommended();
    if (!StageFiles() || !WriteConfiguration() || !WriteArchive() || !WriteServerConfiguration() ||
        !InstallTree())
        return false;
    if (!build_.ReportStep(u"Cleaning up temporary files...", 99))
        return false;
    platform::DeleteTree(stage_);
    stage_.clear();
    return build_.ReportStep(u"Finished.", 100);
}

bool NetbootMediaBuilder::StageFiles() {
    if (!build_.ReportStep(u"Creating temporary folders...", 5))
        return false;
    WString name;
    if (!platform::CreateUniqueTempFile(tempFolder_, u"QLXOMS", name) ||
        !platform::DeleteOneFile(name) || !platform::CreateFolder(name))
        return Fail(u"cannot create a temporary folder in '" + tempFolder_ + u"'.");
    stage_ = name;
    if (!build_.ReportStep(u"Copying boot files...", 20))
        return false;
    const WString common = JoinPath(programFolder_, u"common");
    if (!platform::CopyTree(JoinPath(common, u"*"), stage_))
        return Fail(u"cannot copy the boot files from '" + common + u"'.");
    if (!build_.ReportStep(u"Copying network boot files...", 40))
        return false;
    // A payload made before network boot existed has no net/ folder.
    const WString net = JoinPath(programFolder_, u"net");
    if (!platform::CopyTree(JoinPath(net, u"*"), stage_))
        return Fail(u"cannot copy the network boot files from '" + net + u"'.");
    return true;
}

bool NetbootMediaBuilder::WriteConfiguration() {
    if (!build_.ReportStep(u"Creating configuration file...", 60))
        return false;
    if (settings_.Schemes.empty())
        return Fail(u"no wiping scheme is installed in '" + JoinPath(programFolder_, u"schemes") +
                    u"'.");
    const BootConfigWriter writer(settings_);
    const WString welcome = JoinPath(stage_, u"welcome.txt");
    const WString wipeConfig = JoinPath(stage_, u"wipe_config");
    const WString tmp = JoinPath(stage_, u"tmp");
    const WString policy = JoinPath(tmp, u"policy.cfg");
    const auto written = [this](bool ok, const WString& path) {
        return ok || Fail(u"cannot write the configuration file '" + path + u"'.");
    };
    if (!written(writer.WriteWelcomeText(welcome, WelcomeVariant::Standard), welcome) ||
        !written(writer.WriteWipeConfig(wipeConfig), wipeConfig) ||
        !written(platform::CreateFolder(tmp) && writer.WritePolicyFile(policy), policy))
        return false;
    if (!platform::CopyTree(JoinPath(JoinPath(programFolder_, u"schemes"), u"*"),
                            JoinPath(tmp, u"schemes")))
        return Fail(u"cannot copy the scheme files.");
    return true;
}

bool NetbootMediaBuilder::WriteArchive() {
    if (!build_.ReportStep(u"Creating archive...", 80))
        return false;
    const ConfigArchiveFolders folders{stage_, programFolder_, tempFolder_};
    if (!BuildConfigArchive(settings_, JoinPath(stage_, u"quelix"), folders, target_.stamp.time))
        return Fail(u"cannot write the configuration archive.");
    return true;
}

bool NetbootMediaBuilder::WriteServerConfiguration() {
    if (!build_.ReportStep(u"Writing dnsmasq.conf...", 85))
        return false;
    const DnsmasqSetup setup{platform::ToUtf8(target_.folder), target_.proxyNetwork};
    const WString conf = JoinPath(stage_, platform::FromUtf8(kDnsmasqConfName));
    if (!IsServableFolder(setup.tftpRoot) || !WriteWholeFile(conf, DnsmasqConfText(setup)))
        return Fail(u"cannot write '" + conf + u"'.");
    return true;
}

bool NetbootMediaBuilder::InstallTree() {
    if (!build_.ReportStep(u"Copying files to the network boot folder...", 90))
        return false;
    // Every place is checked before the first file is written.
    return CheckPlaces(stage_, target_.folder) && InstallFolder(stage_, target_.folder);
}

bool NetbootMediaBuilder::CheckPlaces(WStringView from, WStringView to) {
    std::vector<platform::FolderEntry> entries;
    if (!platform::ListFolder(from, entries))
        return Fail(u"cannot read the staged files in '" + WString(from) + u"'.");
    for (const platform::FolderEntry& entry : entries) {
        const WString target = JoinPath(to, entry.name);
        if (!entry.isFolder) {
            if (platform::IsFolder(target) && !platform::IsLinkPath(target))
                return Fail(u"'" + target +
                            u"' is a folder; the file of that name is not written.");
            continue;
        }
        if (!platform::PathExists(target) && !platform::IsLinkPath(target))
            continue;
        if (platform::IsLinkPath(target) || !platform::IsFolder(target))
            return Fail(u"'" + target + u"' is not a folder (a link is not followed); nothing " +
                        u"was written.");
        if (!CheckPlaces(JoinPath(from, entry.name), target))
            return false;
    }
    return true;
}

bool NetbootMediaBuilder::InstallFolder(WStringView from, WStringView to) {
    std::vector<platform::FolderEntry> entries;
    if (!platform::ListFolder(from, entries))
        return Fail(u"cannot read the staged files in '" + WString(from) + u"'.");
    for (const platform::FolderEntry& entry : entries) {
        if (build_.StopRequested())
            return false;
        const WString source = JoinPath(from, entry.name);
        const WString target = JoinPath(to, entry.name);
        if (!entry.isFolder) {
            if (!InstallFile(source, target))
                return false;
            continue;
        }
        if (!platform::IsFolder(target) &&
            !(platform::CreateFolder(target) && SetPerms(target, kFolderPerms)))
            return Fail(u"cannot create the folder '" + target + u"'.");
        if (!InstallFolder(source, target))
            return false;
    }
    return true;
}

bool NetbootMediaBuilder::InstallFile(WStringView from, WStringView to) {
    // A fresh name beside the target (created exclusively), then renamed over it.
    WString part;
    if (!platform::CreateUniqueTempFile(platform::ParentFolder(to), u"QLX", part))
        return Fail(u"cannot write in the folder '" + platform::ParentFolder(to) + u"'.");
    if (platform::CopyOneFile(from, part) && SetPerms(part, kFilePerms) &&
        platform::MoveFileReplacing(part, to))
        return true;
    platform::DeleteOneFile(part);
    return Fail(u"cannot write '" + WString(to) + u"'.");
}

}  // namespace wizard

#include "wizard/config/config_archive.h"

#include <iterator>
#include <vector>

#include "platform/files.h"
#include "wizard/config/addons_list.h"
#include "wizard/config/boot_config_writer.h"
#include "wizard/config/file_stream.h"
#include "wizard/config/newc_archive_writer.h"

namespace wizard {
namespace {

// Opens a member's source file; a folder counts as a file that cannot be opened.
std::ifstream OpenSource(platform::WStringView path) {
    if (path.empty() || platform::IsFolder(path)) {
        return {};
    }
    return OpenForReading(path);
}

// Adds a file that may be missing: true when it is missing or was added.
bool AddOptionalFile(NewcArchiveWriter& writer, platform::WStringView path,
                     std::string_view memberName) {
    std::ifstream source = OpenSource(path);
    return !source.is_open() || writer.AddFile(source, memberName);
}

bool AddSchemes(NewcArchiveWriter& writer, const SchemeList& schemes) {
    for (const WipeScheme& scheme : schemes) {
        const std::string member = "tmp/scheme/" + platform::ToAnsi(scheme.FileName);
        if (!AddOptionalFile(writer, scheme.FilePath, member)) {
            return false;
        }
    }
    return true;
}

bool AddPolicy(NewcArchiveWriter& writer, platform::WStringView configFolder) {
    const platform::WString path =
        platform::JoinPath(platform::JoinPath(configFolder, u"tmp"), u"policy.cfg");
    std::ifstream source = OpenSource(path);
    return path.size() <= platform::kMaxPathLength && source.is_open() &&
           writer.AddFile(source, "tmp/policy.cfg");
}

bool AddWipeConfig(NewcArchiveWriter& writer, const WizardSettings& settings) {
    std::vector<char> buffer(kWipeConfigBufferSize, '\0');
    const std::size_t length = BootConfigWriter(settings).FormatWipeConfig(buffer);
    return length > 0 && writer.AddMemory(std::string_view(buffer.data(), length), "wipe_config");
}

bool AddListedFiles(NewcArchiveWriter& writer, platform::WStringView programFolder) {
    std::ifstream list = OpenSource(platform::JoinPath(programFolder, u"addons.txt"));
    if (!list.is_open()) {
        return true;
    }
    const std::string text(std::istreambuf_iterator<char>(list), {});
    for (const AddonEntry& entry : ParseAddonsText(text)) {
        const platform::WString path =
            platform::JoinPath(programFolder, platform::FromAnsi(entry.localName));
        if (path.size() <= platform::kMaxPathLength &&
            !AddOptionalFile(writer, path, entry.memberName)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool BuildConfigArchive(const WizardSettings& settings, platform::WStringView targetPath,
                        const ConfigArchiveFolders& folders, std::optional<uint32_t> memberTime) {
    NewcArchiveWriter writer =
        memberTime ? NewcArchiveWriter([time = *memberTime] { return time; }) : NewcArchiveWriter();
    const bool opened = folders.tempFolder.empty() ? writer.OpenArchive()
                                                   : writer.OpenArchiveIn(folders.tempFolder);
    return opened && AddSchemes(writer, settings.Schemes) &&
           AddPolicy(writer, folders.configFolder) && AddWipeConfig(writer, settings) &&
           AddListedFiles(writer, folders.programFolder) && writer.WriteTrailer() &&
           writer.CommitArchive(targetPath);
}

bool BuildConfigArchive(const WizardSettings& settings, platform::WStringView targetPath,
                        platform::WStringView configFolder) {
    return BuildConfigArchive(settings, targetPath,
                              {platform::WString(configFolder), platform::ProgramFolder(), {}});
}

}  // namespace wizard

#include "wizard/media/linux/sorted_volume_copy.h"

#include "platform/files.h"
#include "wizard/media/linux/linux_disk_access.h"

namespace wizard {
namespace {

using platform::WString;

struct Listing {
    std::vector<WString> folders;                                 // "::/a", "::/a/b", ...
    std::vector<std::pair<WString, std::vector<WString>>> files;  // volume folder, its files
};

// ListFolder gives names in order; folders are listed before what they hold.
void Walk(const WString& local, const WString& onVolume, int depth, Listing& out) {
    std::vector<platform::FolderEntry> entries;
    if (depth > 64 || !platform::ListFolder(local, entries))
        return;
    std::vector<WString> files;
    for (const platform::FolderEntry& e : entries) {
        if (!e.isFolder)
            files.push_back(QuoteArgument(platform::JoinPath(local, e.name)));
    }
    if (!files.empty())
        out.files.emplace_back(onVolume + u"/", std::move(files));
    for (const platform::FolderEntry& e : entries) {
        if (e.isFolder) {
            out.folders.push_back(onVolume + u"/" + e.name);
            Walk(platform::JoinPath(local, e.name), onVolume + u"/" + e.name, depth + 1, out);
        }
    }
}

}  // namespace

std::vector<VolumeCopyCommand> SortedVolumeCopy(platform::WStringView folder, const WString& mmd,
                                                const WString& mcopy, const WString& image) {
    Listing listing;
    Walk(WString(folder), u"::", 0, listing);
    std::vector<VolumeCopyCommand> commands;
    if (!listing.folders.empty()) {
        WString line = mmd + u" -D s -i " + image;
        for (const WString& f : listing.folders)
            line += u" " + QuoteArgument(f);
        commands.push_back({line, false});
    }
    for (const auto& [target, files] : listing.files) {
        WString line = mcopy + u" -o -Q -i " + image;
        for (const WString& f : files)
            line += u" " + f;
        commands.push_back({line + u" " + QuoteArgument(target), true});
    }
    return commands;
}

}  // namespace wizard

// The portable half of the files module: path text and the recursive copy and
// delete, built on the per-target primitives.
#include "platform/files.h"

namespace platform {
namespace {

size_t LastSeparator(WStringView path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1]))
            return i - 1;
    }
    return WStringView::npos;
}

// A copy never recurses deeper than this; it stops a folder copied into itself.
constexpr int kMaxCopyDepth = 64;

bool CopyEntry(const WString& from, const WString& to, bool isFolder, CopyMethod method,
               int depth) {
    if (!isFolder)
        return method == CopyMethod::Link ? LinkOrCopyOneFile(from, to) : CopyOneFile(from, to);
    if (depth >= kMaxCopyDepth || !CreateFolder(to))
        return false;
    std::vector<FolderEntry> entries;
    if (!ListFolder(from, entries))
        return false;
    bool ok = true;
    for (const FolderEntry& e : entries) {
        ok = CopyEntry(JoinPath(from, e.name), JoinPath(to, e.name), e.isFolder, method,
                       depth + 1) &&
             ok;
    }
    return ok;
}

// True when inner is outer or lies below it (by text, ignoring ASCII case on Windows).
bool IsSameOrBelow(WStringView inner, WStringView outer) {
    if (inner.size() < outer.size())
        return false;
#ifdef _WIN32
    if (!EqualsIgnoreCase(inner.substr(0, outer.size()), outer))
        return false;
#else
    if (inner.substr(0, outer.size()) != outer)
        return false;
#endif
    return inner.size() == outer.size() || IsSeparator(inner[outer.size()]);
}

}  // namespace

WString JoinPath(WStringView folder, WStringView name) {
    WString out(folder);
    if (!out.empty() && !IsSeparator(out.back()))
        out += kPathSeparator;
    size_t skip = 0;
    while (skip < name.size() && IsSeparator(name[skip]) && !out.empty())
        ++skip;
    out.append(name.substr(skip));
    return out;
}

WString ParentFolder(WStringView path) {
    const size_t at = LastSeparator(path);
    if (at == WStringView::npos)
        return {};
    if (at == 0)
        return WString(path.substr(0, 1));  // the root "/"
    return WString(path.substr(0, at));
}

WString FileNamePart(WStringView path) {
    const size_t at = LastSeparator(path);
    return WString(at == WStringView::npos ? path : path.substr(at + 1));
}

bool HasWildcard(WStringView name) {
    return name.find_first_of(u"*?") != WStringView::npos;
}

bool MatchesWildcard(WStringView pattern, WStringView name) {
    // Iterative match with one backtrack point for the last '*'.
    size_t p = 0, n = 0, starP = WStringView::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == u'?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
            ++p, ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++, starN = n;
        } else if (starP != WStringView::npos) {
            p = starP + 1, n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

bool CreateFolders(WStringView path) {
    if (path.empty())
        return false;
    if (IsFolder(path))
        return true;
    const WString parent = ParentFolder(path);
    if (!parent.empty() && parent != path && !IsFolder(parent) && !CreateFolders(parent)) {
        return false;
    }
    return CreateFolder(path);
}

bool CopyTree(WStringView source, WStringView destFolder, CopyMethod method) {
    const WString pattern = FileNamePart(source);
    WString folder = ParentFolder(source);
    if (!CreateFolders(destFolder))
        return false;

    std::vector<FolderEntry> matches;
    if (HasWildcard(pattern)) {
        std::vector<FolderEntry> entries;
        if (!ListFolder(folder.empty() ? WString(u".") : folder, entries))
            return false;
        for (FolderEntry& e : entries) {
            if (MatchesWildcard(pattern, e.name))
                matches.push_back(std::move(e));
        }
        if (matches.empty())
            return false;
    } else {
        if (!PathExists(source))
            return false;
        matches.push_back({pattern, IsFolder(source), false});
    }

    bool ok = true;
    for (const FolderEntry& e : matches) {
        const WString from = JoinPath(folder, e.name);
        // Copying a folder into itself would never end.
        if (e.isFolder && IsSameOrBelow(destFolder, from)) {
            ok = false;
            continue;
        }
        ok = CopyEntry(from, JoinPath(destFolder, e.name), e.isFolder, method, 0) && ok;
    }
    return ok;
}

bool DeleteTree(WStringView path) {
    std::vector<FolderEntry> entries;
    if (!PathExists(path))
        return !IsLinkPath(path) || DeleteOneFile(path);
    if (IsLinkPath(path) || !IsFolder(path))
        return DeleteOneFile(path);
    if (!ListFolder(path, entries))
        return false;
    bool ok = true;
    for (const FolderEntry& e : entries) {
        const WString child = JoinPath(path, e.name);
        ok = (e.isFolder && !e.isLink ? DeleteTree(child) : DeleteOneFile(child)) && ok;
    }
    return RemoveEmptyFolder(path) && ok;
}

}  // namespace platform

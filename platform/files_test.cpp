#include "platform/files.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wide.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "testsupport/scratch_folder.h"

namespace platform {
namespace {

std::string Path8(const WString& p) {
    return ToUtf8(p);
}

using qo::test::ReadFileBytes;
using qo::test::ScratchFolder;
using qo::test::WriteFileBytes;

TEST(Files, PathTextSplitsAndJoinsOnTheSeparator) {
    const WString sep(1, kPathSeparator);
    EXPECT_EQ(JoinPath(u"a", u"b"), u"a" + sep + u"b");
    EXPECT_EQ(JoinPath(u"a" + sep, u"b"), u"a" + sep + u"b");
    EXPECT_EQ(JoinPath(u"", u"b"), u"b");
    EXPECT_EQ(ParentFolder(u"a" + sep + u"b" + sep + u"c.iso"), u"a" + sep + u"b");
    EXPECT_EQ(ParentFolder(u"c.iso"), u"");
    EXPECT_EQ(FileNamePart(u"a" + sep + u"c.iso"), u"c.iso");
#ifdef _WIN32
    EXPECT_EQ(ParentFolder(u"C:\\x/y"), u"C:\\x");
#else
    EXPECT_EQ(ParentFolder(u"/boot"), u"/");
#endif
}

TEST(Files, WildcardsMatchLikeWindows) {
    EXPECT_TRUE(MatchesWildcard(u"*", u"anything"));
    EXPECT_TRUE(MatchesWildcard(u"*.SCH", u"dod.sch"));
    EXPECT_TRUE(MatchesWildcard(u"a?c*", u"abcdef"));
    EXPECT_TRUE(MatchesWildcard(u"*a*a*", u"banana"));
    EXPECT_FALSE(MatchesWildcard(u"*.sch", u"dod.sch.bak"));
    EXPECT_FALSE(MatchesWildcard(u"a?c", u"ac"));
    EXPECT_TRUE(MatchesWildcard(u"**", u""));
    EXPECT_FALSE(HasWildcard(u"plain.txt"));
}

TEST(Files, ProgramAndStandardFoldersExist) {
    const WString program = ProgramFilePath();
    EXPECT_TRUE(PathExists(program)) << Path8(program);
    EXPECT_EQ(JoinPath(ProgramFolder(), FileNamePart(program)), program);
    EXPECT_TRUE(IsFolder(ProgramFolder()));
    EXPECT_TRUE(IsFolder(TempFolder())) << Path8(TempFolder());
    WString documents;
    ASSERT_TRUE(DocumentsFolder(documents));
    EXPECT_FALSE(documents.empty());
}

TEST(Files, UniqueTempFilesAreCreatedEmptyWithThePrefix) {
    ScratchFolder s;
    WString a, b;
    ASSERT_TRUE(CreateUniqueTempFile(s.Path(), u"quelix", a));
    ASSERT_TRUE(CreateUniqueTempFile(s.Path(), u"quelix", b));
    EXPECT_NE(a, b);
    for (const WString& p : {a, b}) {
        uint64_t size = 99;
        ASSERT_TRUE(FileSize(p, size));
        EXPECT_EQ(size, 0u);
        const WString name = FileNamePart(p);
        EXPECT_TRUE(MatchesWildcard(u"que*.tmp", name)) << Path8(name);
    }
    WString none;
    EXPECT_FALSE(CreateUniqueTempFile(s / u"missing", u"q", none));
}

TEST(Files, AccessProbeLeavesNoFileBehindAndKeepsExistingOnes) {
    ScratchFolder s;
    const WString fresh = s / u"new image.iso";
    EXPECT_TRUE(ProbeFileAccess(fresh));
    EXPECT_FALSE(PathExists(fresh));  // created for the probe only, removed again

    const WString existing = s / u"kept.iso";
    WriteFileBytes(existing, "image data");
    EXPECT_TRUE(ProbeFileAccess(existing));
    EXPECT_EQ(ReadFileBytes(existing), "image data");

    EXPECT_FALSE(ProbeFileAccess(s.Path()));                  // a folder is no file
    EXPECT_FALSE(ProbeFileAccess(s / u"missing/image.iso"));  // no such folder
    EXPECT_FALSE(PathExists(s / u"missing"));
}

TEST(Files, CopyTreeMergesOverwritesAndReportsMissingSources) {
    ScratchFolder s;
    ASSERT_TRUE(CreateFolders(s / JoinPath(u"src", JoinPath(u"sub", u"deep"))));
    WriteFileBytes(s / JoinPath(u"src", u"kernel"), "new kernel");
    WriteFileBytes(s / JoinPath(u"src", JoinPath(u"sub", u"a.sch")), "scheme");
    WriteFileBytes(s / JoinPath(u"src", JoinPath(u"sub", JoinPath(u"deep", u"z"))), "");
    // The destination already holds an older file and a file of its own.
    ASSERT_TRUE(CreateFolders(s / JoinPath(u"dst", u"sub")));
    WriteFileBytes(s / JoinPath(u"dst", u"kernel"), "old kernel, longer than the new one");
    WriteFileBytes(s / JoinPath(u"dst", JoinPath(u"sub", u"keep")), "mine");

    EXPECT_TRUE(CopyTree(s / JoinPath(u"src", u"*"), s / u"dst"));
    EXPECT_EQ(ReadFileBytes(s / JoinPath(u"dst", u"kernel")), "new kernel");
    EXPECT_EQ(ReadFileBytes(s / JoinPath(u"dst", JoinPath(u"sub", u"a.sch"))), "scheme");
    EXPECT_EQ(ReadFileBytes(s / JoinPath(u"dst", JoinPath(u"sub", u"keep"))), "mine");
    EXPECT_TRUE(PathExists(s / JoinPath(u"dst", JoinPath(u"sub", JoinPath(u"deep", u"z")))));

    // A plain source copies that one entry into the folder, which is created.
    EXPECT_TRUE(CopyTree(s / JoinPath(u"src", u"sub"), s / JoinPath(u"one", u"two")));
    EXPECT_EQ(ReadFileBytes(s / JoinPath(u"one", JoinPath(u"two", JoinPath(u"sub", u"a.sch")))),
              "scheme");
    // Only matching names are copied.
    EXPECT_TRUE(CopyTree(s / JoinPath(JoinPath(u"src", u"sub"), u"*.SCH"), s / u"schemes"));
    std::vector<FolderEntry> listed;
    ASSERT_TRUE(ListFolder(s / u"schemes", listed));
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].name, u"a.sch");

    EXPECT_FALSE(CopyTree(s / JoinPath(u"src", u"*.none"), s / u"x"));
    EXPECT_FALSE(CopyTree(s / u"missing", s / u"x"));
    // A folder copied into itself is refused instead of recursing without end.
    EXPECT_FALSE(CopyTree(s / u"src", s / JoinPath(u"src", u"sub")));
}

#ifndef _WIN32
// The kernel's copy for files with a size, the plain copy for files whose
// content is not their size (procfs): both give the source's bytes.
TEST(Files, CopiesLargeFilesAndFilesWithoutASize) {
    ScratchFolder s;
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 4096);
    WriteFileBytes(s / u"big", big);
    ASSERT_TRUE(CopyOneFile(s / u"big", s / u"big.copy"));
    EXPECT_EQ(ReadFileBytes(s / u"big.copy"), big);
    ASSERT_TRUE(CopyOneFile(u"/proc/self/status", s / u"status"));
    EXPECT_NE(ReadFileBytes(s / u"status").find("Name:"), std::string::npos);
    WriteFileBytes(s / u"empty", "");
    ASSERT_TRUE(CopyOneFile(s / u"empty", s / u"big.copy"));
    EXPECT_EQ(ReadFileBytes(s / u"big.copy"), "");
}
#endif

TEST(Files, DeleteTreeRemovesEverythingAndSizesAreRead) {
    ScratchFolder s;
    const WString tree = s / u"tree";
    ASSERT_TRUE(CreateFolders(JoinPath(tree, JoinPath(u"a", u"b"))));
    WriteFileBytes(JoinPath(tree, JoinPath(u"a", u"f")), std::string(1000, 'x'));
    uint64_t size = 0;
    ASSERT_TRUE(FileSize(JoinPath(tree, JoinPath(u"a", u"f")), size));
    EXPECT_EQ(size, 1000u);
    EXPECT_FALSE(FileSize(tree, size));
#ifdef _WIN32
    SetFileAttributesW(Wide(JoinPath(tree, JoinPath(u"a", u"f"))), FILE_ATTRIBUTE_READONLY);
#endif
    EXPECT_TRUE(DeleteTree(tree));
    EXPECT_FALSE(PathExists(tree));
    EXPECT_TRUE(DeleteTree(tree));  // nothing left is success
}

#ifndef _WIN32
TEST(Files, LinksAreRemovedNotFollowedAndLargeFilesHaveTheirSize) {
    ScratchFolder s;
    ASSERT_TRUE(CreateFolder(s / u"precious"));
    WriteFileBytes(s / JoinPath(u"precious", u"data"), "keep");
    ASSERT_TRUE(CreateFolder(s / u"tree"));
    ASSERT_EQ(
        symlink(Path8(s / u"precious").c_str(), Path8(s / JoinPath(u"tree", u"link")).c_str()), 0);
    ASSERT_EQ(symlink("/nonexistent", Path8(s / JoinPath(u"tree", u"dangling")).c_str()), 0);
    EXPECT_TRUE(DeleteTree(s / u"tree"));
    EXPECT_EQ(ReadFileBytes(s / JoinPath(u"precious", u"data")), "keep");

    // A sparse file beyond 4 GiB.
    const std::string big = Path8(s / u"big");
    ASSERT_EQ(truncate((WriteFileBytes(s / u"big", ""), big.c_str()), 5LL << 30), 0);
    uint64_t size = 0;
    ASSERT_TRUE(FileSize(s / u"big", size));
    EXPECT_EQ(size, 5ULL << 30);

    // Copies keep the executable bit (tools in the payload are copied, then run).
    WriteFileBytes(s / u"tool", "#!/bin/sh\n");
    ASSERT_EQ(chmod(Path8(s / u"tool").c_str(), 0755), 0);
    ASSERT_TRUE(CopyTree(s / u"tool", s / u"bin"));
    EXPECT_EQ(access(Path8(s / JoinPath(u"bin", u"tool")).c_str(), X_OK), 0);
}

// A linked tree shares the source's files; a name that is replaced is
// unlinked first, so the file it named before is never written.
TEST(Files, LinkedTreesShareFilesAndUniqueFoldersArePrivate) {
    ScratchFolder s;
    ASSERT_TRUE(CreateFolders(s / JoinPath(u"src", u"sub")));
    WriteFileBytes(s / JoinPath(u"src", u"kernel"), "kernel");
    WriteFileBytes(s / JoinPath(u"src", JoinPath(u"sub", u"b")), "b");
    WriteFileBytes(s / u"precious", "keep");
    ASSERT_TRUE(CreateFolder(s / u"dst"));
    ASSERT_EQ(link(Path8(s / u"precious").c_str(), Path8(s / JoinPath(u"dst", u"kernel")).c_str()),
              0);

    ASSERT_TRUE(CopyTree(s / JoinPath(u"src", u"*"), s / u"dst", CopyMethod::Link));
    struct stat source {
    }, linked{};
    ASSERT_EQ(stat(Path8(s / JoinPath(u"src", u"kernel")).c_str(), &source), 0);
    ASSERT_EQ(stat(Path8(s / JoinPath(u"dst", u"kernel")).c_str(), &linked), 0);
    EXPECT_EQ(linked.st_ino, source.st_ino);
    EXPECT_EQ(ReadFileBytes(s / JoinPath(u"dst", JoinPath(u"sub", u"b"))), "b");
    EXPECT_EQ(ReadFileBytes(s / u"precious"), "keep");

    WString a, b;
    ASSERT_TRUE(CreateUniqueFolder(s.Path(), u"QLXOMS", a));
    ASSERT_TRUE(CreateUniqueFolder(s.Path(), u"QLXOMS", b));
    EXPECT_NE(a, b);
    struct stat folder {};
    ASSERT_EQ(stat(Path8(a).c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_TRUE(MatchesWildcard(u"QLX*.tmp", FileNamePart(a)));
    EXPECT_FALSE(CreateUniqueFolder(s / u"missing", u"QLX", a));
}
#endif

}  // namespace
}  // namespace platform

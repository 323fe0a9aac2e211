// The Win32 side of the share check under Wine: existence, the test file,
// the logon and the impersonation are wired. Wine's LogonUserW is a stub that
// accepts any user and password and gives a token nobody can impersonate, so
// whether credentials are checked is proven on Linux only, against a real
// Samba server (smb_share_platform_test.cpp); impersonation and the return
// to the program's own identity are proven here with a token of our own.
#include "wizard/netshare/win32/win32_share_platform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/wide.h"
#include "testsupport/scratch_folder.h"
#include "wizard/netshare/testing/fake_share_system.h"

namespace wizard::netshare {
namespace {

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// A token of this process that a thread can impersonate.
HANDLE OwnImpersonationToken() {
    HANDLE process = nullptr, token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process))
        return nullptr;
    if (!DuplicateTokenEx(process, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation,
                          TokenImpersonation, &token))
        token = nullptr;
    CloseHandle(process);
    return token;
}

// Whether the calling thread carries a token of its own (impersonates).
bool Impersonating() {
    HANDLE token = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token))
        return false;
    CloseHandle(token);
    return true;
}

TEST(Win32SharePlatform, ExistenceTestFileLogonAndImpersonationAreWired) {
    qo::test::ScratchFolder folder;
    folder.Write(u"tmp.txt", "keep me");
    ASSERT_TRUE(CreateDirectoryW(platform::Wide(folder / u"dir"), nullptr));
    Win32SharePlatform platform;
    EXPECT_TRUE(platform.PathExists(folder.Path()));
    EXPECT_FALSE(platform.PathExists(folder / u"missing"));

    // An account no system has: Windows refuses it; Wine takes it and then
    // cannot impersonate what its stub gave.
    EXPECT_EQ(platform.LogOn({u"QXNOWHERE", u"nobody-here", u"wrong"}, folder.Path()).status,
              UnderWine() ? LogonStatus::ImpersonationFailed : LogonStatus::Refused);
    EXPECT_FALSE(Impersonating());

    HANDLE token = OwnImpersonationToken();
    ASSERT_NE(token, nullptr);
    LogonResult logon = TakeOnIdentity(token);
    ASSERT_EQ(logon.status, LogonStatus::Ok);
    ASSERT_TRUE(logon.access);
    EXPECT_TRUE(Impersonating());
    ShareAccess& access = *logon.access;
    EXPECT_EQ(access.CreateNewFile(folder / u"tmp.txt"), CreateStatus::Exists);
    EXPECT_EQ(access.CreateNewFile(folder / u"dir"), CreateStatus::Exists);
    EXPECT_EQ(access.CreateNewFile(folder / u"missing\\tmp.txt"), CreateStatus::Failed);
    EXPECT_EQ(access.CreateNewFile(folder / u"new.txt"), CreateStatus::Created);
    EXPECT_EQ(access.CreateNewFile(folder / u"new.txt"), CreateStatus::Exists);
    EXPECT_TRUE(access.RemoveFile(folder / u"new.txt"));
    EXPECT_FALSE(access.RemoveFile(folder / u"new.txt"));
    logon.access.reset();  // closes the token and reverts
    EXPECT_FALSE(Impersonating());
    EXPECT_EQ(qo::test::ReadFileBytes(folder / u"tmp.txt"), "keep me");

    // The whole check on the folder with the program's own identity: the old
    // tmp.txt stays, nothing is added.
    testing::Journal journal;
    testing::FakeShareMessages messages(journal, nullptr);
    testing::FakePopupSystem popups(journal);
    ShareCheck check(messages, platform, popups);
    const ShareCheckResult result = check.Test({folder.Path(), u"", u""}, true);
    EXPECT_TRUE(result.passed);
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_FALSE(Impersonating());
    EXPECT_EQ(qo::test::ReadFileBytes(folder / u"tmp.txt"), "keep me");
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(platform::Wide(folder / u"*"), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(testing::Utf8(WString(name.begin(), name.end())));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"dir", "tmp.txt"}));
    EXPECT_FALSE(platform.PathExists(folder / u"tmp1.txt"));
}

}  // namespace
}  // namespace wizard::netshare

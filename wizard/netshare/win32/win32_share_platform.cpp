#include "wizard/netshare/win32/win32_share_platform.h"

#include "platform/win32/wide.h"

namespace wizard::netshare {
namespace {

// A path the file calls take at any length: "\\server\share\..." longer than
// MAX_PATH becomes "\\?\UNC\server\share\...".
WString LongPath(const WString& path) {
    if (path.size() < MAX_PATH || path.compare(0, 2, u"\\\\") != 0 ||
        path.compare(0, 4, u"\\\\?\\") == 0)
        return path;
    WString unc = u"\\\\?\\UNC\\" + path.substr(2);
    for (char16_t& c : unc) {
        if (c == u'/')
            c = u'\\';
    }
    return unc;
}

bool Exists(const WString& path) {
    return GetFileAttributesW(platform::Wide(LongPath(path))) != INVALID_FILE_ATTRIBUTES;
}

// Answers of a server that is there but does not let this caller in.
bool RefusedByServer(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_LOGON_FAILURE:
        case ERROR_ACCOUNT_RESTRICTION:
        case ERROR_ACCOUNT_DISABLED:
        case ERROR_PASSWORD_EXPIRED:
        case ERROR_LOGON_TYPE_NOT_GRANTED:
        case ERROR_SESSION_CREDENTIAL_CONFLICT:
            return true;
        default:
            return false;
    }
}

class Win32Access : public ShareAccess {
  public:
    explicit Win32Access(HANDLE token = nullptr) : token_(token) {}
    ~Win32Access() override {
        if (token_) {
            CloseHandle(token_);
            RevertToSelf();
        }
    }
    Win32Access(const Win32Access&) = delete;
    Win32Access& operator=(const Win32Access&) = delete;

    CreateStatus CreateNewFile(const WString& path) override {
        const WString name = LongPath(path);
        HANDLE file = CreateFileW(platform::Wide(name), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
                return CreateStatus::Exists;
            // A folder of that name answers "access denied".
            if (error == ERROR_ACCESS_DENIED && Exists(path))
                return CreateStatus::Exists;
            return CreateStatus::Failed;
        }
        CloseHandle(file);
        return CreateStatus::Created;
    }

    bool RemoveFile(const WString& path) override {
        return DeleteFileW(platform::Wide(LongPath(path))) != FALSE;
    }

  private:
    HANDLE token_;
};

}  // namespace

bool Win32SharePlatform::PathExists(const WString& path) {
    if (GetFileAttributesW(platform::Wide(LongPath(path))) != INVALID_FILE_ATTRIBUTES)
        return true;
    return RefusedByServer(GetLastError());
}

std::unique_ptr<ShareAccess> Win32SharePlatform::OwnAccess(const WString&) {
    return std::make_unique<Win32Access>();
}

LogonResult Win32SharePlatform::LogOn(const ShareAccount& account, const WString&) {
    HANDLE token = nullptr;
    if (!LogonUserW(platform::Wide(account.user), platform::Wide(account.domain),
                    platform::Wide(account.password), LOGON32_LOGON_NETWORK_CLEARTEXT,
                    LOGON32_PROVIDER_WINNT50, &token))
        return {LogonStatus::Refused, nullptr};
    return TakeOnIdentity(token);
}

LogonResult TakeOnIdentity(HANDLE token) {
    if (!ImpersonateLoggedOnUser(token)) {
        CloseHandle(token);
        return {LogonStatus::ImpersonationFailed, nullptr};
    }
    return {LogonStatus::Ok, std::make_unique<Win32Access>(token)};
}

}  // namespace wizard::netshare

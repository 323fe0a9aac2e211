// The share check's system side on Windows: the share path is used as it is
// (UNC), existence is tested with the program's own rights, a logon is a
// network clear-text logon (LOGON32_LOGON_NETWORK_CLEARTEXT with
// LOGON32_PROVIDER_WINNT50) whose token the calling thread impersonates
// until the access object goes.
//
// The thread that runs the check (impersonation is per thread).
#pragma once

#include <windows.h>

#include "wizard/netshare/share_platform.h"

namespace wizard::netshare {

class Win32SharePlatform : public SharePlatform {
  public:
    bool PathExists(const WString& path) override;
    std::unique_ptr<ShareAccess> OwnAccess(const WString& share) override;
    LogonResult LogOn(const ShareAccount& account, const WString& share) override;
};

// The second half of a logon: impersonates the token on the calling thread.
// On success the access owns the token (closes it and reverts when it goes);
// on failure the token is closed.
LogonResult TakeOnIdentity(HANDLE token);

}  // namespace wizard::netshare

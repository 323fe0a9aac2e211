// The share check's system side on Linux, with libsmbclient: a share path
// (UNC or //server/share) becomes an smb:// address. The existence test runs
// without credentials (anonymous): a server that refuses the anonymous caller
// has shown that the share exists; no such share, no such server or no answer
// means it does not. A logon is a session with the given account (the domain
// as the workgroup); the write test runs in that session.
//
// Calling thread only: each check uses its own libsmbclient contexts.
#pragma once

#include <chrono>

#include "wizard/netshare/share_platform.h"

namespace wizard::netshare {

class SmbSharePlatform : public SharePlatform {
  public:
    // `timeout` bounds every network call (connection and each request).
    explicit SmbSharePlatform(std::chrono::milliseconds timeout = std::chrono::seconds(30))
        : timeout_(timeout) {}
    bool PathExists(const WString& path) override;
    std::unique_ptr<ShareAccess> OwnAccess(const WString& share) override;
    LogonResult LogOn(const ShareAccount& account, const WString& share) override;

  private:
    std::chrono::milliseconds timeout_;
};

}  // namespace wizard::netshare

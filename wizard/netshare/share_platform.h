// What the network share check needs from the system: whether a path exists
// with the program's own rights, a logon with explicit credentials, and the
// creation and removal of a file in the share under the identity in force.
// Windows implements it with the program's file calls, LogonUserW and
// impersonation; Linux with libsmbclient.
//
// Called on the thread that runs the check (the interface thread on Windows:
// impersonation applies to the calling thread only).
#pragma once

#include <memory>

#include "platform/text.h"

namespace wizard::netshare {

using platform::WString;

// The account of a logon: the user text split at its first backslash.
struct ShareAccount {
    WString domain;
    WString user;
    WString password;
};

enum class CreateStatus {
    Created,  // a new file was created (and closed)
    Exists,   // a file or folder of that name is already there; nothing was touched
    Failed,   // no file could be created
};

// File operations on the share under one identity. The identity ends (a
// logon's token is closed and the thread reverts to the program's own
// identity) when the object goes.
class ShareAccess {
  public:
    virtual ~ShareAccess() = default;
    // Creates a new empty file and closes it; never opens an existing one.
    virtual CreateStatus CreateNewFile(const WString& path) = 0;
    // Removes a file; false when it could not be removed.
    virtual bool RemoveFile(const WString& path) = 0;
};

enum class LogonStatus {
    Ok,
    Refused,              // user name, password or domain not accepted
    ImpersonationFailed,  // the logon succeeded, its identity could not be taken on
};

struct LogonResult {
    LogonStatus status = LogonStatus::Refused;
    std::unique_ptr<ShareAccess> access;  // set when status is Ok
};

class SharePlatform {
  public:
    virtual ~SharePlatform() = default;
    // True when the path exists as seen with the program's own rights. A
    // server that answers "access denied" has shown that the path exists.
    virtual bool PathExists(const WString& path) = 0;
    // File access with the program's own identity (no logon).
    virtual std::unique_ptr<ShareAccess> OwnAccess(const WString& share) = 0;
    // Logs on with the account for the share and takes on its identity.
    virtual LogonResult LogOn(const ShareAccount& account, const WString& share) = 0;
};

}  // namespace wizard::netshare

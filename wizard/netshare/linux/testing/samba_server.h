// A private Samba server for the share tests: smbd from Debian's samba
// package with a private configuration and state folder, listening on port
// 445 of the loopback interface of a network namespace made for the calling
// thread (so parallel tests and the machine's own services never meet). The
// Unix account behind the Samba user exists only for smbd, through
// nss_wrapper. Shares:
//   rw     read-write, user kUser with kPassword only
//   ro     read-only, the same user
//   guest  read-write for anyone
// Every wait is bounded; the server is stopped and its folder removed when
// the object goes. Test thread only (the namespace is the thread's).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "testsupport/scratch_folder.h"

namespace wizard::netshare::testing {

inline constexpr char kWorkgroup[] = "QXTEST";
inline constexpr char kUser[] = "qxshare";
inline constexpr char kPassword[] = "S3cret pw";

class SambaServer {
  public:
    SambaServer() = default;
    ~SambaServer();
    SambaServer(const SambaServer&) = delete;
    SambaServer& operator=(const SambaServer&) = delete;

    // Why the tests cannot run here (smbd not installed), or empty.
    static std::string Missing();
    // Moves the calling thread into a new network namespace and starts the
    // server; false with a reason.
    bool Start(std::string& error);

    // The local folders behind the shares.
    std::string Folder(const char* share) const;

  private:
    bool Run(const std::vector<std::string>& args, const std::string& input, std::string& error);
    std::string Log() const;

    qo::test::ScratchFolder scratch_;
    std::string root_;
    pid_t smbd_ = -1;
};

}  // namespace wizard::netshare::testing

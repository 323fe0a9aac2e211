// The system's socket library for the life of the program: version 2.2 is
// started on construction and released when the session goes, on every exit
// path. Main thread.
#pragma once

#include <winsock2.h>

namespace updater {

class WinsockSession {
  public:
    WinsockSession() {
        WSADATA data{};
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockSession() {
        if (started_)
            WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool Started() const { return started_; }

  private:
    bool started_ = false;
};

}  // namespace updater

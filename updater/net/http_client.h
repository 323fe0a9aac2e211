// The system's Internet client library as a fetch uses it: one session, one
// connection and one request at a time, each step a call of the library.
// Windows: WinINet ("Wininet.dll"); Linux: libcurl ("libcurl.so.4"); both are
// loaded by name when a fetch starts and unloaded when it ends.
//
// An HttpClient belongs to the thread that runs the fetch.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/text.h"
#include "updater/support/message_owner.h"

namespace updater {

class HttpClient {
  public:
    virtual ~HttpClient() = default;

    // Loads the library and resolves its entry points. A library that cannot
    // be loaded is reported through owner (the module loader's message); a
    // missing entry point is not reported. False on either.
    virtual bool Load(MessageOwner& owner) = 0;
    // Opens a session with the agent name, using the system's proxy settings.
    virtual bool OpenSession(platform::WStringView agent) = 0;
    // Connects the session to host (ANSI code page) on port with the service.
    virtual bool Connect(std::string_view host, uint16_t port, int32_t service) = 0;
    // Opens a GET request for the object path (as given: nothing escaped),
    // over a secure connection when asked.
    virtual bool OpenRequest(std::string_view objectPath, bool secure) = 0;
    // Sends the request and receives the response head. On failure error is
    // the library's error number (positive).
    virtual bool Send(int32_t& error) = 0;
    // The response's content length; false when it has none that fits.
    virtual bool QueryContentLength(uint32_t& length) = 0;
    // The response's HTTP status code; false when it cannot be read.
    virtual bool QueryStatus(uint32_t& status) = 0;
    // Reads up to capacity bytes of the body; got is 0 at its end. False when
    // the read failed (a broken connection, a malformed response).
    virtual bool Read(uint8_t* buffer, uint32_t capacity, uint32_t& got) = 0;
    // Closes the request, the connection and the session, in that order, and
    // unloads the library. Safe to call more than once.
    virtual void Close() = 0;
};

struct HttpClientSettings {
    // The library to load; empty: the system's ("Wininet.dll", "libcurl.so.4").
    platform::WString libraryName;
    // Linux only: a file of certificate authorities to trust instead of the
    // system's (empty: the system's). Windows uses the system's store.
    std::string authorityFile;
    // Asked while a read waits for data: true ends the wait and fails the
    // read, so a stalled connection does not hold a stop back. May be empty.
    std::function<bool()> interrupted;
};

// The system's client for this target.
std::unique_ptr<HttpClient> CreateSystemHttpClient(const HttpClientSettings& settings);

}  // namespace updater

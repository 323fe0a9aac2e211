// cInternetSession: the state of one fetch over the system's Internet client
// library: the library's session, connection and request, an error flag set
// by the first step that fails and the last error code (-8 until a send
// fails with the library's own number). Closed when it goes, whatever the
// result. Used by one thread (the download worker).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/output_file.h"
#include "platform/text.h"
#include "updater/net/download_sink.h"
#include "updater/net/error_page.h"
#include "updater/net/http_client.h"
#include "updater/support/message_owner.h"

namespace updater {

// Result codes of a fetch.
constexpr int32_t kFetchOk = 0;
constexpr int32_t kFetchSetupFailed = -8;
constexpr int32_t kDownloadStopped = -9;
constexpr int32_t kFetchTransferFailed = -14;

// The size of the transfer buffer, allocated for each fetch.
constexpr uint32_t kTransferBufferSize = 65536;

// How a read loop ended.
enum class ReadOutcome {
    Complete,     // the body ended and every byte of it was written
    Empty,        // the body was empty
    Refused,      // the sink asked to stop
    ErrorPage,    // the first chunk was an HTML error page
    ReadFailed,   // the library could not read on
    WriteFailed,  // the file could not take a chunk
};

class cInternetSession {
  public:
    explicit cInternetSession(std::unique_ptr<HttpClient> client);
    ~cInternetSession();
    cInternetSession(const cInternetSession&) = delete;
    cInternetSession& operator=(const cInternetSession&) = delete;

    // Loads the library and opens the session and the connection.
    bool Open(uint16_t port, int32_t service, platform::WStringView agent, std::string_view host,
              MessageOwner& messages);
    // Opens and sends a GET request for the object path.
    bool SendGet(std::string_view objectPath, bool secure);
    // The response's content length, 0 when it has none.
    uint32_t ContentLength();
    // The response's HTTP status code, when it can be read.
    std::optional<uint32_t> Status();
    // Reads the body chunk by chunk into file, reporting each chunk to sink
    // before it is written and testing the first for an error page (whose
    // title goes to messages). written counts the bytes written.
    ReadOutcome ReadToFile(platform::OutputFile& file, cDownloadActorBlock& sink,
                           MessageOwner& messages, uint64_t& written);
    // Reads the first chunk of a response that is not kept and shows the
    // title of an error page in it.
    void ReportErrorPage(MessageOwner& messages);
    void Close();

    int32_t LastError() const { return lastError_; }

  private:
    std::unique_ptr<HttpClient> client_;
    bool failed_ = false;
    int32_t lastError_ = kFetchSetupFailed;
    bool open_ = false;
};

// Shows the title of an error page in a chunk ("Download error", error icon);
// true when the chunk is an error page, titled or not.
bool CheckErrorPage(std::string_view chunk, MessageOwner& messages);

}  // namespace updater

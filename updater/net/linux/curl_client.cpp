// The HTTP client on Linux: libcurl, loaded by name ("libcurl.so.4"), driven
// through its multi interface so that the fetch can pull the body chunk by
// chunk as it does from WinINet. Certificates are verified against the
// system's authorities, or those SSL_CERT_FILE and SSL_CERT_DIR name, as the
// signature check and OpenSSL programs take them; proxies come from the
// environment (http_proxy, https_proxy, no_proxy), as libcurl reads them by
// default. Only HTTP and HTTPS are spoken, and a secure request follows no
// redirection to plain HTTP. A libcurl error number (CURLcode) takes the place
// of the library error number.
// The bit-mask protocol options of libraries before 7.85 are used where the
// text ones are unknown.
#define CURL_DISABLE_DEPRECATION
#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/library.h"
#include "updater/net/download_site.h"
#include "updater/net/http_client.h"
#include "updater/support/module_loader.h"

namespace updater {
namespace {

constexpr char16_t kCurlLibrary[] = u"libcurl.so.4";
// How long one wait for the socket lasts before the interruption is asked.
constexpr int kPollMilliseconds = 200;
// A connection that cannot be made, or that delivers nothing, for this long
// fails instead of holding the download forever.
constexpr long kConnectTimeoutSeconds = 60;
constexpr long kStallSeconds = 120;
constexpr long kMostRedirections = 10;
constexpr size_t kTransferBuffer = 65536;

class CurlClient : public HttpClient {
  public:
    explicit CurlClient(const HttpClientSettings& settings) : settings_(settings) {}
    ~CurlClient() override { Close(); }

    bool Load(MessageOwner& owner) override;
    bool OpenSession(platform::WStringView agent) override;
    bool Connect(std::string_view host, uint16_t port, int32_t service) override;
    bool OpenRequest(std::string_view objectPath, bool secure) override;
    bool Send(int32_t& error) override;
    bool QueryContentLength(uint32_t& length) override;
    bool QueryStatus(uint32_t& status) override;
    bool Read(uint8_t* buffer, uint32_t capacity, uint32_t& got) override;
    void Close() override;

  private:
    bool RestrictProtocols(bool secure);
    bool SetAuthorities();
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    // Runs the transfer until done() holds or the transfer ends. False when
    // the wait failed or was interrupted.
    template <typename Done>
    bool PumpUntil(Done done);

    HttpClientSettings settings_;
    platform::Library library_;
    decltype(&curl_easy_init) easyInit_ = nullptr;
    decltype(&curl_easy_setopt) easySetopt_ = nullptr;
    decltype(&curl_easy_getinfo) easyGetinfo_ = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup_ = nullptr;
    decltype(&curl_easy_pause) easyPause_ = nullptr;
    decltype(&curl_multi_init) multiInit_ = nullptr;
    decltype(&curl_multi_add_handle) multiAdd_ = nullptr;
    decltype(&curl_multi_remove_handle) multiRemove_ = nullptr;
    decltype(&curl_multi_perform) multiPerform_ = nullptr;
    decltype(&curl_multi_poll) multiPoll_ = nullptr;
    decltype(&curl_multi_info_read) multiInfoRead_ = nullptr;
    decltype(&curl_multi_cleanup) multiCleanup_ = nullptr;

    // The "session": the agent name; the "connection": scheme-less host and port.
    bool session_ = false;
    std::string agent_;
    std::string host_;
    uint16_t port_ = 0;
    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    bool added_ = false;
    std::string url_;

    bool headDone_ = false;
    bool redirected_ = false;  // the head being read names a new location
    bool finished_ = false;
    CURLcode result_ = CURLE_OK;
    bool paused_ = false;
    // Body bytes received beyond the reader's buffer, taken by the next reads.
    std::vector<uint8_t> pending_;
    size_t pendingStart_ = 0;
    // The buffer of the read in progress.
    uint8_t* target_ = nullptr;
    size_t targetCapacity_ = 0;
    size_t targetFilled_ = 0;
};

bool CurlClient::Load(MessageOwner& owner) {
    const platform::WString name =
        settings_.libraryName.empty() ? platform::WString(kCurlLibrary) : settings_.libraryName;
    if (!LoadModuleReporting(library_, name, owner))
        return false;
    using platform::Entry;
    return platform::ResolveInto(
        library_,
        {Entry("curl_easy_init", easyInit_), Entry("curl_easy_setopt", easySetopt_),
         Entry("curl_easy_getinfo", easyGetinfo_), Entry("curl_easy_cleanup", easyCleanup_),
         Entry("curl_easy_pause", easyPause_), Entry("curl_multi_init", multiInit_),
         Entry("curl_multi_add_handle", multiAdd_), Entry("curl_multi_remove_handle", multiRemove_),
         Entry("curl_multi_perform", multiPerform_), Entry("curl_multi_poll", multiPoll_),
         Entry("curl_multi_info_read", multiInfoRead_),
         Entry("curl_multi_cleanup", multiCleanup_)});
}

bool CurlClient::OpenSession(platform::WStringView agent) {
    if (multiInit_ == nullptr)
        return false;
    multi_ = multiInit_();
    agent_ = platform::ToUtf8(agent);
    session_ = multi_ != nullptr;
    return session_;
}

bool CurlClient::Connect(std::string_view host, uint16_t port, int32_t service) {
    if (!session_ || service != kHttpService || host.empty() ||
        host.find('\0') != std::string_view::npos)
        return false;
    // The host is in the ANSI code page; libcurl takes UTF-8.
    host_ = platform::ToUtf8(platform::FromAnsi(host));
    port_ = port;
    return true;
}

bool CurlClient::OpenRequest(std::string_view objectPath, bool secure) {
    if (host_.empty() || objectPath.find('\0') != std::string_view::npos)
        return false;
    easy_ = easyInit_();
    if (easy_ == nullptr)
        return false;
    url_ = secure ? "https://" : "http://";
    url_ += host_;
    if (port_ != 0)
        url_ += ":" + std::to_string(port_);
    if (objectPath.empty() || objectPath.front() != '/')
        url_ += '/';
    url_ += objectPath;

    bool ok = easySetopt_(easy_, CURLOPT_URL, url_.c_str()) == CURLE_OK;
    ok = ok && easySetopt_(easy_, CURLOPT_PATH_AS_IS, 1L) == CURLE_OK;
    ok = ok && easySetopt_(easy_, CURLOPT_USERAGENT, agent_.c_str()) == CURLE_OK;
    ok = ok && RestrictProtocols(secure);
    // Redirections are followed, as WinINet follows them.
    ok = ok && easySetopt_(easy_, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
    ok = ok && easySetopt_(easy_, CURLOPT_MAXREDIRS, kMostRedirections) == CURLE_OK;
    ok = ok && easySetopt_(easy_, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK;
    ok = ok && easySetopt_(easy_, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK;
    ok = ok && easySetopt_(easy_, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds) == CURLE_OK;
    ok = ok && easySetopt_(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK;
    ok = ok && easySetopt_(easy_, CURLOPT_LOW_SPEED_TIME, kStallSeconds) == CURLE_OK;
    ok = ok &&
         easySetopt_(easy_, CURLOPT_BUFFERSIZE, static_cast<long>(kTransferBuffer)) == CURLE_OK;
    ok = ok && easySetopt_(easy_, CURLOPT_WRITEFUNCTION, &CurlClient::OnBody) == CURLE_OK;
    ok = ok && easySetopt_(easy_, CURLOPT_WRITEDATA, this) == CURLE_OK;
    ok = ok && easySetopt_(easy_, CURLOPT_HEADERFUNCTION, &CurlClient::OnHeader) == CURLE_OK;
    ok = ok && easySetopt_(easy_, CURLOPT_HEADERDATA, this) == CURLE_OK;
    ok = ok && easySetopt_(easy_, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    return ok && SetAuthorities();
}

// Only HTTP and HTTPS, and from HTTPS only HTTPS again (WinINet refuses that
// downgrade too). A library that cannot apply this gets no request.
bool CurlClient::RestrictProtocols(bool secure) {
    const char* redirections = secure ? "https" : "http,https";
    if (easySetopt_(easy_, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK)
        return easySetopt_(easy_, CURLOPT_REDIR_PROTOCOLS_STR, redirections) == CURLE_OK;
    const long both = CURLPROTO_HTTP | CURLPROTO_HTTPS;
    return easySetopt_(easy_, CURLOPT_PROTOCOLS, both) == CURLE_OK &&
           easySetopt_(easy_, CURLOPT_REDIR_PROTOCOLS, secure ? CURLPROTO_HTTPS : both) == CURLE_OK;
}

// The settings' file (tests), else what SSL_CERT_FILE and SSL_CERT_DIR name
// when set, else the library's own.
bool CurlClient::SetAuthorities() {
    if (!settings_.authorityFile.empty())
        return easySetopt_(easy_, CURLOPT_CAINFO, settings_.authorityFile.c_str()) == CURLE_OK;
    const char* file = std::getenv("SSL_CERT_FILE");
    const char* folder = std::getenv("SSL_CERT_DIR");
    bool ok = true;
    if (file != nullptr && *file != '\0')
        ok = easySetopt_(easy_, CURLOPT_CAINFO, file) == CURLE_OK;
    if (ok && folder != nullptr && *folder != '\0')
        ok = easySetopt_(easy_, CURLOPT_CAPATH, folder) == CURLE_OK;
    return ok;
}

size_t CurlClient::OnHeader(char* data, size_t size, size_t count, void* self) {
    auto* client = static_cast<CurlClient*>(self);
    const size_t length = size * count;
    const std::string_view line(data, length);
    constexpr std::string_view kLocation = "location:";
    if (line.size() > kLocation.size() &&
        std::equal(kLocation.begin(), kLocation.end(), line.begin(),
                   [](char a, char b) { return a == (b | 0x20); }))
        client->redirected_ = true;
    if (line == "\r\n" || line == "\n") {
        // The blank line ends a head. An interim (1xx) head is followed by
        // another, and so is a redirection that libcurl follows.
        long status = 0;
        client->easyGetinfo_(client->easy_, CURLINFO_RESPONSE_CODE, &status);
        const bool followed = status >= 300 && status <= 399 && client->redirected_;
        if (status >= 200 && !followed)
            client->headDone_ = true;
        client->redirected_ = false;
    }
    return length;
}

size_t CurlClient::OnBody(char* data, size_t size, size_t count, void* self) {
    auto* client = static_cast<CurlClient*>(self);
    const size_t length = size * count;
    client->headDone_ = true;
    size_t taken = 0;
    // Straight into the reader's buffer while it waits and has room.
    if (client->target_ != nullptr && client->targetFilled_ < client->targetCapacity_) {
        taken = std::min(length, client->targetCapacity_ - client->targetFilled_);
        std::memcpy(client->target_ + client->targetFilled_, data, taken);
        client->targetFilled_ += taken;
    } else if (client->pending_.size() - client->pendingStart_ >= kTransferBuffer) {
        // Hold at most about one transfer buffer; libcurl keeps the rest
        // until the reader has taken what is pending.
        client->paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (taken < length) {  // the rest waits for the reader (an empty vector has no data pointer)
        const size_t old = client->pending_.size();
        client->pending_.resize(old + (length - taken));
        std::memcpy(client->pending_.data() + old, data + taken, length - taken);
    }
    return length;
}

template <typename Done>
bool CurlClient::PumpUntil(Done done) {
    while (!done() && !finished_) {
        int running = 0;
        if (multiPerform_(multi_, &running) != CURLM_OK)
            return false;
        int queued = 0;
        while (CURLMsg* message = multiInfoRead_(multi_, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) {
                finished_ = true;
                result_ = message->data.result;
            }
        }
        if (done() || finished_)
            break;
        if (settings_.interrupted && settings_.interrupted())
            return false;
        if (multiPoll_(multi_, nullptr, 0, kPollMilliseconds, nullptr) != CURLM_OK)
            return false;
    }
    return true;
}

bool CurlClient::Send(int32_t& error) {
    error = CURLE_FAILED_INIT;
    if (easy_ == nullptr || multi_ == nullptr || multiAdd_(multi_, easy_) != CURLM_OK)
        return false;
    added_ = true;
    if (!PumpUntil([this] { return headDone_; }))
        return false;
    if (!headDone_) {
        error = result_ != CURLE_OK ? static_cast<int32_t>(result_) : CURLE_GOT_NOTHING;
        return false;
    }
    return true;
}

bool CurlClient::QueryContentLength(uint32_t& length) {
    curl_off_t value = -1;
    if (easy_ == nullptr ||
        easyGetinfo_(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &value) != CURLE_OK || value < 0 ||
        value > 0xFFFFFFFF)
        return false;
    length = static_cast<uint32_t>(value);
    return true;
}

bool CurlClient::QueryStatus(uint32_t& status) {
    long code = 0;
    if (easy_ == nullptr || easyGetinfo_(easy_, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK ||
        code <= 0)
        return false;
    status = static_cast<uint32_t>(code);
    return true;
}

bool CurlClient::Read(uint8_t* buffer, uint32_t capacity, uint32_t& got) {
    got = 0;
    if (!added_)
        return false;
    if (pendingStart_ < pending_.size()) {
        const size_t count = std::min<size_t>(pending_.size() - pendingStart_, capacity);
        std::memcpy(buffer, pending_.data() + pendingStart_, count);
        pendingStart_ += count;
        got = static_cast<uint32_t>(count);
        return true;
    }
    pending_.clear();
    pendingStart_ = 0;
    target_ = buffer;
    targetCapacity_ = capacity;
    targetFilled_ = 0;
    bool ok = true;
    if (paused_) {
        paused_ = false;
        // Delivers what libcurl held back, through OnBody.
        ok = easyPause_(easy_, CURLPAUSE_CONT) == CURLE_OK;
    }
    ok = ok && PumpUntil([this] { return targetFilled_ > 0; });
    got = static_cast<uint32_t>(targetFilled_);
    target_ = nullptr;
    if (!ok)
        return false;
    if (got == 0)
        return finished_ && result_ == CURLE_OK;
    return true;
}

void CurlClient::Close() {
    if (added_)
        multiRemove_(multi_, easy_);
    added_ = false;
    if (easy_ != nullptr)
        easyCleanup_(easy_);
    easy_ = nullptr;
    if (multi_ != nullptr)
        multiCleanup_(multi_);
    multi_ = nullptr;
    session_ = false;
    host_.clear();
    library_.Unload();
}

}  // namespace

std::unique_ptr<HttpClient> CreateSystemHttpClient(const HttpClientSettings& settings) {
    return std::make_unique<CurlClient>(settings);
}

}  // namespace updater

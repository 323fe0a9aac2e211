// The HTTP client on Windows: WinINet ("Wininet.dll"), loaded by name with its
// seven entry points, so that the system's proxy and connection settings
// apply. The request flags: reload from the site, do not write to the cache,
// keep the connection, no user interface; a secure connection when asked.
#include <windows.h>
#include <wininet.h>

#include "platform/library.h"
#include "platform/win32/wide.h"
#include "updater/net/http_client.h"
#include "updater/support/module_loader.h"

namespace updater {
namespace {

constexpr char16_t kWininetLibrary[] = u"Wininet.dll";
constexpr DWORD kRequestFlags = 0x84400200;  // RELOAD | NO_CACHE_WRITE | KEEP_CONNECTION | NO_UI
constexpr DWORD kSecureFlag = 0x00800000;    // INTERNET_FLAG_SECURE
constexpr DWORD kQueryContentLength = 0x20000005;  // CONTENT_LENGTH | FLAG_NUMBER
constexpr DWORD kQueryStatusCode = 0x20000013;     // STATUS_CODE | FLAG_NUMBER

class WininetClient : public HttpClient {
  public:
    explicit WininetClient(const HttpClientSettings& settings) : settings_(settings) {}
    ~WininetClient() override { Close(); }

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
    bool QueryNumber(DWORD query, uint32_t& value);
    void CloseHandleOf(HINTERNET& handle);

    HttpClientSettings settings_;
    platform::Library library_;
    decltype(&InternetCloseHandle) closeHandle_ = nullptr;
    decltype(&InternetOpenW) open_ = nullptr;
    decltype(&InternetConnectW) connect_ = nullptr;
    decltype(&HttpOpenRequestW) openRequest_ = nullptr;
    decltype(&HttpSendRequestW) sendRequest_ = nullptr;
    decltype(&InternetReadFile) readFile_ = nullptr;
    decltype(&HttpQueryInfoW) queryInfo_ = nullptr;
    HINTERNET session_ = nullptr;
    HINTERNET connection_ = nullptr;
    HINTERNET request_ = nullptr;
};

bool WininetClient::Load(MessageOwner& owner) {
    const platform::WString name =
        settings_.libraryName.empty() ? platform::WString(kWininetLibrary) : settings_.libraryName;
    if (!LoadModuleReporting(library_, name, owner))
        return false;
    // A missing entry point is not reported; each step then fails by itself.
    closeHandle_ =
        reinterpret_cast<decltype(closeHandle_)>(library_.Resolve("InternetCloseHandle"));
    open_ = reinterpret_cast<decltype(open_)>(library_.Resolve("InternetOpenW"));
    connect_ = reinterpret_cast<decltype(connect_)>(library_.Resolve("InternetConnectW"));
    openRequest_ = reinterpret_cast<decltype(openRequest_)>(library_.Resolve("HttpOpenRequestW"));
    sendRequest_ = reinterpret_cast<decltype(sendRequest_)>(library_.Resolve("HttpSendRequestW"));
    readFile_ = reinterpret_cast<decltype(readFile_)>(library_.Resolve("InternetReadFile"));
    queryInfo_ = reinterpret_cast<decltype(queryInfo_)>(library_.Resolve("HttpQueryInfoW"));
    return true;
}

bool WininetClient::OpenSession(platform::WStringView agent) {
    if (open_ == nullptr)
        return false;
    const platform::WString agentText(agent);
    session_ = open_(platform::Wide(agentText), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    return session_ != nullptr;
}

bool WininetClient::Connect(std::string_view host, uint16_t port, int32_t service) {
    if (connect_ == nullptr || session_ == nullptr)
        return false;
    const platform::WString hostText = platform::FromAnsi(host);
    connection_ = connect_(session_, platform::Wide(hostText), port, nullptr, nullptr,
                           static_cast<DWORD>(service), 0, 0);
    return connection_ != nullptr;
}

bool WininetClient::OpenRequest(std::string_view objectPath, bool secure) {
    if (openRequest_ == nullptr || connection_ == nullptr)
        return false;
    const platform::WString path = platform::FromAnsi(objectPath);
    request_ = openRequest_(connection_, nullptr, platform::Wide(path), nullptr, nullptr, nullptr,
                            kRequestFlags | (secure ? kSecureFlag : 0), 0);
    return request_ != nullptr;
}

bool WininetClient::Send(int32_t& error) {
    if (sendRequest_ == nullptr || request_ == nullptr) {
        error = ERROR_PROC_NOT_FOUND;
        return false;
    }
    if (sendRequest_(request_, nullptr, 0, nullptr, 0))
        return true;
    error = static_cast<int32_t>(GetLastError());
    CloseHandleOf(request_);
    return false;
}

bool WininetClient::QueryNumber(DWORD query, uint32_t& value) {
    if (queryInfo_ == nullptr || request_ == nullptr)
        return false;
    DWORD number = 0;
    DWORD size = sizeof(number);
    if (!queryInfo_(request_, query, &number, &size, nullptr))
        return false;
    value = number;
    return true;
}

bool WininetClient::QueryContentLength(uint32_t& length) {
    return QueryNumber(kQueryContentLength, length);
}

bool WininetClient::QueryStatus(uint32_t& status) {
    return QueryNumber(kQueryStatusCode, status);
}

bool WininetClient::Read(uint8_t* buffer, uint32_t capacity, uint32_t& got) {
    got = 0;
    if (readFile_ == nullptr || request_ == nullptr)
        return false;
    DWORD read = 0;
    if (!readFile_(request_, buffer, capacity, &read))
        return false;
    got = read;
    return true;
}

void WininetClient::CloseHandleOf(HINTERNET& handle) {
    if (handle != nullptr && closeHandle_ != nullptr)
        closeHandle_(handle);
    handle = nullptr;
}

void WininetClient::Close() {
    CloseHandleOf(request_);
    CloseHandleOf(connection_);
    CloseHandleOf(session_);
    library_.Unload();
}

}  // namespace

std::unique_ptr<HttpClient> CreateSystemHttpClient(const HttpClientSettings& settings) {
    return std::make_unique<WininetClient>(settings);
}

}  // namespace updater

// Fetches one file from a download site into a local file, over HTTP or HTTPS
// through the system's Internet client library (http_client.h).
//
// The file is written under a temporary name in the destination's folder and
// takes the destination's name only when the whole body was received: a fetch
// that fails or is stopped leaves the destination as it was. A response is
// refused when its status is outside 200-299, when it is an HTML error page,
// when it is empty, when the connection breaks, or when it is shorter than its
// content length.
//
// Called on the download worker's thread; the owner's sink and the messages
// are used on that thread.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/text.h"
#include "updater/net/download_sink.h"
#include "updater/net/download_site.h"
#include "updater/net/http_client.h"
#include "updater/net/internet_session.h"
#include "updater/support/message_owner.h"

namespace updater {

constexpr char16_t kHttpAgent[] = u"HTTPGET";

struct FetchOptions {
    HttpClientSettings client;
    // Where the fetch's own messages go (the missing library, an error page's
    // title, an unusable port); null: a message box of no window.
    MessageOwner* messages = nullptr;
};

// 0 when the file was received and is in place; -8 when the library, the
// session, the connection or the request could not be set up (or the site's
// port is unusable); a positive library error number when sending failed;
// -14 for every failure of the transfer or of the local file.
int32_t Fetch(const DownloadSite& site, std::string_view fileName,
              platform::WStringView destination, TransferOwner& owner,
              const FetchOptions& options = {});

}  // namespace updater

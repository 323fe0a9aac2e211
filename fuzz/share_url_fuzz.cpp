// Arbitrary UTF-16 text as a share path. An address made of it starts with
// "smb://", holds only printable ASCII without blanks, and names a server and
// a share; the server address is its prefix.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/require.h"
#include "wizard/netshare/share_url.h"

using qo::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::WString path(size / 2, u'\0');
    for (size_t i = 0; i < path.size(); ++i)
        path[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    const auto url = wizard::netshare::ShareUrl(path);
    const auto server = wizard::netshare::ServerUrl(path);
    Require(url.has_value() == server.has_value());
    if (!url)
        return 0;
    Require(url->rfind(*server, 0) == 0);
    Require(url->size() > server->size() && server->size() > 7);
    for (char c : *url)
        Require(c > ' ' && c < 0x7F);
    Require(url->find("//", 6) == std::string::npos);
    return 0;
}

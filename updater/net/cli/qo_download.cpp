// qo_download: downloads one file from a download site with the updater's
// HTTP client and its terminal progress line; Ctrl-C stops. Used by the
// download benchmark and for trying a site by hand.
//
//   qo_download KIND HOST PORT DIRECTORY FILE DESTINATION
//
// KIND is http, https, ldap or ldaps; DIRECTORY "-" for none. Exits 0 when the
// file was received, 1 when it was stopped, 2 on any other failure (the end
// value is printed), 64 for a wrong command line.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "updater/net/download_site.h"
#include "updater/net/linux/terminal_download.h"

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: qo_download KIND HOST PORT DIRECTORY FILE DESTINATION\n");
        return 64;
    }
    updater::DownloadSite site;
    site.kind = updater::SiteKindFromName(platform::FromUtf8(argv[1]));
    site.host = platform::ToAnsi(platform::FromUtf8(argv[2]));
    site.port = std::atoi(argv[3]);
    if (std::string(argv[4]) != "-")
        site.directory = platform::ToAnsi(platform::FromUtf8(argv[4]));
    site.service = updater::kHttpService;
    const std::string file = platform::ToAnsi(platform::FromUtf8(argv[5]));
    const int32_t end =
        updater::DownloadInTerminal(site, file, platform::FromUtf8(argv[6]), stderr);
    if (end == 0)
        return 0;
    if (end == updater::kDownloadStopped) {
        std::fprintf(stderr, "qo_download: stopped\n");
        return 1;
    }
    std::fprintf(stderr, "qo_download: download error %d\n", end);
    return 2;
}

#include "updater/net/fetch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/net/testing/test_servers.h"
#include "updater/support/testing/message_recorder.h"

namespace updater {
namespace {

using testing::LocalSite;
using testing::Servers;

// What the pattern objects of the test server hold.
std::string Pattern(size_t count) {
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>(i % (1 << 20) % 251);
    return bytes;
}

// Counts chunks; refuses the chunk after stopAfter bytes when asked to.
class CountingOwner : public TransferOwner {
  public:
    explicit CountingOwner(uint64_t stopAfter = UINT64_MAX) : stopAfter_(stopAfter) {}
    std::unique_ptr<cDownloadActorBlock> StartTransfer(uint32_t size) override {
        sizes.push_back(size);
        return std::make_unique<Sink>(*this);
    }
    std::vector<uint32_t> sizes;
    uint64_t received = 0;

  private:
    struct Sink : cDownloadActorBlock {
        explicit Sink(CountingOwner& owner) : owner(owner) {}
        bool ChunkReceived(uint32_t bytes) override {
            if (owner.sizes.back() == 0 || owner.received >= owner.stopAfter_)
                return false;
            owner.received += bytes;
            return true;
        }
        CountingOwner& owner;
    };
    uint64_t stopAfter_;
};

constexpr int kAnyLibraryError = 1;  // a positive library error number, whichever

struct FetchCase {
    const char* what;
    DownloadSite site;
    const char* file;
    int32_t result;                           // kAnyLibraryError: any positive number
    std::optional<std::string> body;          // none: the destination keeps what it had
    std::vector<std::u16string> titles = {};  // "Download error" messages
};

TEST(Fetch, ReceivesFilesAndRefusesEveryKindOfFailedResponse) {
    const testing::TestServers& servers = Servers();
    ASSERT_TRUE(servers.Available()) << "run through testing/http_test_server.py";
    const int32_t http = servers.httpPort;
    const int32_t https = servers.httpsPort;
    const std::string localhost = "localhost";

    std::vector<FetchCase> cases = {
        {"a file with a content length", LocalSite(SiteKind::Http, http), "size-150000", 0,
         Pattern(150000)},
        {"one that fills several buffers", LocalSite(SiteKind::Http, http), "size-3000001", 0,
         Pattern(3000001)},
        {"the object path is the directory and the name, unescaped",
         LocalSite(SiteKind::Http, http, "127.0.0.1", "updates/quelix%41"), "echo", 0,
         "/updates/quelix%41/echo"},
        {"without a directory the bare name", LocalSite(SiteKind::Http, http), "echo", 0, "/echo"},
        {"a redirection is followed", LocalSite(SiteKind::Http, http), "redirect-5000", 0,
         Pattern(5000)},
        {"no content length", LocalSite(SiteKind::Http, http), "nolength", kFetchTransferFailed,
         std::nullopt},
        {"an error page with its title",
         LocalSite(SiteKind::Http, http),
         "errpage-full",
         kFetchTransferFailed,
         std::nullopt,
         {u"Access denied by the proxy"}},
        {"an error page without html/head/title", LocalSite(SiteKind::Http, http), "errpage-bare",
         kFetchTransferFailed, std::nullopt},
        {"a lower-case declaration is no error page", LocalSite(SiteKind::Http, http),
         "doctype-lower", 0, "<!doctype html>\n<html><head><title>kept</title></head></html>\n"},
        {"a page that starts with html", LocalSite(SiteKind::Http, http), "html-direct", 0,
         "<html><head><title>kept</title></head></html>\n"},
        {"404 with a plain body", LocalSite(SiteKind::Http, http), "status-404",
         kFetchTransferFailed, std::nullopt},
        {"500 with a plain body", LocalSite(SiteKind::Http, http), "status-500",
         kFetchTransferFailed, std::nullopt},
        {"an empty body", LocalSite(SiteKind::Http, http), "empty", kFetchTransferFailed,
         std::nullopt},
        {"a connection dropped in the middle", LocalSite(SiteKind::Http, http), "drop",
         kFetchTransferFailed, std::nullopt},
        {"kind https, trusted certificate", LocalSite(SiteKind::Https, https, localhost),
         "size-70000", 0, Pattern(70000)},
        {"an untrusted certificate is refused",
         LocalSite(SiteKind::Https, servers.untrustedPort, localhost), "size-10", kAnyLibraryError,
         std::nullopt},
        {"kind https speaks TLS (to a plain server it fails)",
         LocalSite(SiteKind::Https, http, localhost), "size-10", kAnyLibraryError, std::nullopt},
        {"kind ldaps on another port is plain HTTP", LocalSite(SiteKind::Ldaps, http), "size-10", 0,
         Pattern(10)},
        {"an unknown kind is plain HTTP too", LocalSite(SiteKind::Undefined, http), "size-10", 0,
         Pattern(10)},
    };
#ifndef _WIN32
    // libcurl follows redirections to HTTP and HTTPS only, and from HTTPS only to HTTPS.
    const DownloadSite secure = LocalSite(SiteKind::Https, https, localhost);
    cases.push_back({"https redirected to https", secure, "redirect-100", 0, Pattern(100)});
    cases.push_back({"https redirected to http", secure, "to-http-100", kAnyLibraryError, {}});
    cases.push_back({"http redirected to ftp", LocalSite(SiteKind::Http, http), "to-ftp",
                     kAnyLibraryError, std::nullopt});
#endif
    FetchOptions options;
    options.client = testing::TrustingSettings();
    for (const FetchCase& c : cases) {
        SCOPED_TRACE(c.what);
        qo::test::ScratchFolder folder;
        const platform::WString destination = folder.Write(u"file.bin", "what was there before");
        testing::MessageRecorder messages;
        options.messages = &messages;
        CountingOwner owner;
        const int32_t result = Fetch(c.site, c.file, destination, owner, options);
        if (c.result == kAnyLibraryError)
            EXPECT_GT(result, 0);
        else
            EXPECT_EQ(result, c.result);
        const std::string expected = c.body.value_or("what was there before");
        const std::string got = qo::test::ReadFileBytes(destination);
        EXPECT_TRUE(got == expected) << got.size() << " bytes: " << got.substr(0, 40);
        // Nothing but the destination is left in its folder.
        std::vector<platform::FolderEntry> entries;
        ASSERT_TRUE(platform::ListFolder(folder.Path(), entries));
        EXPECT_EQ(entries.size(), 1u);
        std::vector<std::u16string> titles;
        for (const testing::ShownMessage& shown : messages.shown) {
            EXPECT_EQ(shown.caption, u"Download error");
            EXPECT_EQ(shown.style, kMessageErrorIcon);
            titles.push_back(shown.text);
        }
        EXPECT_EQ(titles, c.titles);
        if (c.result == 0) {
            ASSERT_EQ(owner.sizes.size(), 1u);
            EXPECT_EQ(owner.sizes[0], c.body->size());
            EXPECT_EQ(owner.received, c.body->size());
        }
    }
}

#ifndef _WIN32
// The authorities SSL_CERT_FILE names are trusted, as the signature check trusts them.
TEST(Fetch, TrustsTheAuthoritiesTheEnvironmentNames) {
    ASSERT_TRUE(Servers().Available());
    qo::test::ScratchFolder folder;
    CountingOwner owner;
    setenv("SSL_CERT_FILE", Servers().authorityFile.c_str(), 1);
    EXPECT_EQ(Fetch(LocalSite(SiteKind::Https, Servers().httpsPort, "localhost"), "size-100",
                    folder / u"f", owner),
              0);
    unsetenv("SSL_CERT_FILE");
    EXPECT_TRUE(qo::test::ReadFileBytes(folder / u"f") == Pattern(100));
}
#endif

TEST(Fetch, PortFourHundredFortyThreeIsSecureWhateverTheKind) {
    const testing::TestServers& servers = Servers();
    if (!servers.host443)
        GTEST_SKIP() << "port 443 cannot be bound here";
    FetchOptions options;
    options.client = testing::TrustingSettings();
    for (const SiteKind kind : {SiteKind::Http, SiteKind::Https, SiteKind::Ldap}) {
        qo::test::ScratchFolder folder;
        CountingOwner owner;
        EXPECT_EQ(Fetch(LocalSite(kind, 443, *servers.host443), "size-1000", folder / u"f", owner,
                        options),
                  0);
        EXPECT_TRUE(qo::test::ReadFileBytes(folder / u"f") == Pattern(1000));
    }
}

TEST(Fetch, StoppingMidwayKeepsNoPartialFile) {
    ASSERT_TRUE(Servers().Available());
    qo::test::ScratchFolder folder;
    const platform::WString destination = folder.Write(u"setup.exe", "old installer");
    CountingOwner owner(/*stopAfter=*/4096);
    EXPECT_EQ(Fetch(LocalSite(SiteKind::Http, Servers().httpPort), "slow", destination, owner),
              kFetchTransferFailed);
    EXPECT_GE(owner.received, 4096u);
    EXPECT_EQ(qo::test::ReadFileBytes(destination), "old installer");
    std::vector<platform::FolderEntry> entries;
    ASSERT_TRUE(platform::ListFolder(folder.Path(), entries));
    EXPECT_EQ(entries.size(), 1u);
}

TEST(Fetch, LocalFailuresAndUnusableSites) {
    ASSERT_TRUE(Servers().Available());
    const int32_t http = Servers().httpPort;
    qo::test::ScratchFolder folder;
    testing::MessageRecorder messages;
    FetchOptions options;
    options.messages = &messages;
    CountingOwner owner;

    // Missing folders on the way are created.
    const platform::WString deep = folder / u"a/b/c.bin";
    EXPECT_EQ(Fetch(LocalSite(SiteKind::Http, http), "size-10", deep, owner, options), 0);
    EXPECT_EQ(qo::test::ReadFileBytes(deep), Pattern(10));
    // A folder that cannot be made: the file's place is taken by a file.
    const platform::WString blocked = folder.Write(u"blocker", "x") + u"/sub/c.bin";
    EXPECT_EQ(Fetch(LocalSite(SiteKind::Http, http), "size-10", blocked, owner, options),
              kFetchTransferFailed);
    // A destination that is a folder is not replaced.
    ASSERT_TRUE(platform::CreateFolder(folder / u"dir"));
    EXPECT_EQ(Fetch(LocalSite(SiteKind::Http, http), "size-10", folder / u"dir", owner, options),
              kFetchTransferFailed);
    EXPECT_TRUE(platform::IsFolder(folder / u"dir"));
    EXPECT_TRUE(messages.shown.empty());

    // A port outside 1-65535 is refused before anything is loaded, naming the site.
    for (const int32_t port : {0, 65536, 99999, -1}) {
        messages.shown.clear();
        EXPECT_EQ(Fetch(LocalSite(SiteKind::Https, port, "dl.example"), "f", folder / u"p", owner,
                        options),
                  kFetchSetupFailed);
        ASSERT_EQ(messages.shown.size(), 1u) << port;
        EXPECT_EQ(messages.shown[0].text,
                  u"The download site https://dl.example has no port from 1 to 65535.");
        EXPECT_FALSE(platform::PathExists(folder / u"p"));
    }
    // A site without a host.
    DownloadSite empty;
    empty.port = 80;
    EXPECT_EQ(Fetch(empty, "f", folder / u"p", owner, options), kFetchSetupFailed);

    // No server on the port: sending fails with the library's number.
    messages.shown.clear();
    EXPECT_GT(Fetch(LocalSite(SiteKind::Http, 1), "size-10", folder / u"p", owner, options), 0);
    EXPECT_FALSE(platform::PathExists(folder / u"p"));

    // The library missing: the module loader's message, then -8.
    options.client.libraryName = u"qo-no-such-http-library";
    EXPECT_EQ(Fetch(LocalSite(SiteKind::Http, http), "size-10", folder / u"p", owner, options),
              kFetchSetupFailed);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, u"Error");
    EXPECT_EQ(messages.shown[0].style, kMessageErrorIcon);
    EXPECT_EQ(
        messages.shown[0].text.rfind(u"Can not load module 'qo-no-such-http-library'\nerr - ", 0),
        0u);
}

}  // namespace
}  // namespace updater

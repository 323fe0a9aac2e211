// Adds the test CA to the current user's root store, where WinINet (also
// Wine's) looks for trusted authorities.
#include <windows.h>

#include <wincrypt.h>

#include <string>
#include <vector>

#include "testsupport/scratch_folder.h"
#include "updater/net/testing/test_servers.h"

namespace updater::testing {
namespace {

// The host path as Wine shows it on its drive Z:.
std::string WinePath(const std::string& hostPath) {
    std::string path = "Z:" + hostPath;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

bool AddToRootStore(const std::string& pem) {
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                              nullptr, &size, nullptr, nullptr))
        return false;
    std::vector<BYTE> der(size);
    if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                              der.data(), &size, nullptr, nullptr))
        return false;
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (store == nullptr)
        return false;
    const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size,
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    // Closing the store writes it out.
    CertCloseStore(store, 0);
    return added != FALSE;
}

}  // namespace

HttpClientSettings TrustingSettings() {
    static const bool trusted = [] {
        const std::string pem =
            qo::test::ReadFileBytes(platform::FromUtf8(WinePath(Servers().authorityFile)));
        return !pem.empty() && AddToRootStore(pem);
    }();
    (void)trusted;
    return HttpClientSettings{};
}

}  // namespace updater::testing

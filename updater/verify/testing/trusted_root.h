// Test helper (Windows): a root certificate in the machine's Root store for
// the lifetime of the object.
#pragma once

// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <string>

namespace updater::testing {

// The test root in the machine's Root store while the object lives. The store
// is closed after each change, which is when Wine writes it out.
class TrustedRoot {
  public:
    explicit TrustedRoot(const std::string& der) {
        cert_ = CertCreateCertificateContext(X509_ASN_ENCODING,
                                             reinterpret_cast<const BYTE*>(der.data()),
                                             static_cast<DWORD>(der.size()));
        HCERTSTORE store = OpenRoot();
        if (cert_ != nullptr && store != nullptr) {
            added_ = CertAddCertificateContextToStore(store, cert_, CERT_STORE_ADD_REPLACE_EXISTING,
                                                      nullptr) != FALSE;
        }
        if (store != nullptr)
            CertCloseStore(store, 0);
    }
    ~TrustedRoot() {
        HCERTSTORE store = OpenRoot();
        if (store != nullptr && added_) {
            PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                              CERT_FIND_EXISTING, cert_, nullptr);
            if (found != nullptr)
                CertDeleteCertificateFromStore(found);  // frees found
        }
        if (store != nullptr)
            CertCloseStore(store, 0);
        if (cert_ != nullptr)
            CertFreeCertificateContext(cert_);
    }
    TrustedRoot(const TrustedRoot&) = delete;
    TrustedRoot& operator=(const TrustedRoot&) = delete;
    bool Added() const { return added_; }

  private:
    static HCERTSTORE OpenRoot() {
        return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE,
                             L"Root");
    }
    PCCERT_CONTEXT cert_ = nullptr;
    bool added_ = false;
};

}  // namespace updater::testing

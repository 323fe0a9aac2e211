#include "updater/verify/linux/appended_verifier.h"

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <vector>

#include "updater/verify/appended_signature.h"
#include "updater/verify/linux/x500_name.h"
#include "updater/verify/trust_verifier.h"

namespace updater {
namespace {

constexpr long kReadFailed = 5;

template <auto Free>
struct Deleter {
    template <typename T>
    void operator()(T* object) const {
        Free(object);
    }
};
using CmsPtr = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO_free_all>>;
using StorePtr = std::unique_ptr<X509_STORE, Deleter<X509_STORE_free>>;
using StoreContextPtr = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX_free>>;

struct CertStackFree {
    void operator()(STACK_OF(X509) * certs) const { sk_X509_pop_free(certs, X509_free); }
};
using CertStackPtr = std::unique_ptr<STACK_OF(X509), CertStackFree>;
struct SignerStackFree {
    void operator()(STACK_OF(X509) * certs) const { sk_X509_free(certs); }
};
using SignerStackPtr = std::unique_ptr<STACK_OF(X509), SignerStackFree>;

// A read-only BIO over the signed content: bytes [0, end) of the file.
struct ContentCursor {
    const SignedBytes* bytes;
    uint64_t position;
    uint64_t end;
};

int ContentRead(BIO* bio, char* buffer, int size) {
    auto* cursor = static_cast<ContentCursor*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    if (size <= 0 || cursor->position >= cursor->end)
        return 0;
    const uint64_t left = cursor->end - cursor->position;
    const size_t want =
        left < static_cast<uint64_t>(size) ? static_cast<size_t>(left) : static_cast<size_t>(size);
    const int64_t n = cursor->bytes->ReadAt(cursor->position, buffer, want);
    if (n <= 0)
        return -1;  // the file shrank or failed: the digest cannot match
    cursor->position += static_cast<uint64_t>(n);
    return static_cast<int>(n);
}

long ContentControl(BIO* bio, int command, long, void*) {
    auto* cursor = static_cast<ContentCursor*>(BIO_get_data(bio));
    switch (command) {
        case BIO_CTRL_EOF:
            return cursor->position >= cursor->end ? 1 : 0;
        case BIO_CTRL_FLUSH:
            return 1;
        default:
            return 0;
    }
}

int ContentCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

const BIO_METHOD* ContentMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "signed content");
        if (m != nullptr) {
            BIO_meth_set_read(m, ContentRead);
            BIO_meth_set_ctrl(m, ContentControl);
            BIO_meth_set_create(m, ContentCreate);
        }
        return m;
    }();
    return method;
}

long ChainError(int error) {
    switch (error) {
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_CERT_UNTRUSTED:
            return TrustResult(kTrustUntrustedRoot);
        case X509_V_ERR_CERT_HAS_EXPIRED:
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return TrustResult(kTrustExpired);
        case X509_V_ERR_CERT_REJECTED:
            return TrustResult(kTrustExplicitDistrust);
        case X509_V_ERR_INVALID_PURPOSE:
            return TrustResult(kTrustWrongUsage);
        default:
            return TrustResult(kTrustSubjectNotTrusted);
    }
}

// The signing certificate must name code signing among its extended uses, and
// allow digital signatures when it limits its key's use.
bool AllowsCodeSigning(X509* cert) {
    const uint32_t flags = X509_get_extension_flags(cert);
    if ((flags & EXFLAG_XKUSAGE) == 0 || (X509_get_extended_key_usage(cert) & XKU_CODE_SIGN) == 0)
        return false;
    return (flags & EXFLAG_KUSAGE) == 0 || (X509_get_key_usage(cert) & KU_DIGITAL_SIGNATURE) != 0;
}

// A CA of the chain may limit the uses of what it issues: no extended uses,
// any use, or code signing among them.
bool CaAllowsCodeSigning(X509* ca) {
    if ((X509_get_extension_flags(ca) & EXFLAG_XKUSAGE) == 0)
        return true;
    return (X509_get_extended_key_usage(ca) & (XKU_CODE_SIGN | XKU_ANYEKU)) != 0;
}

bool InChain(X509* cert, STACK_OF(X509) * chain) {
    for (int i = 0; i < sk_X509_num(chain); ++i) {
        if (X509_cmp(cert, sk_X509_value(chain, i)) == 0)
            return true;
    }
    return false;
}

// Chains the signer to the system's trust anchors; certs are the signature's,
// and each of them must belong to that chain.
long VerifyChain(X509* signer, STACK_OF(X509) * certs) {
    StorePtr store(X509_STORE_new());
    StoreContextPtr context(X509_STORE_CTX_new());
    if (!store || !context || X509_STORE_set_default_paths(store.get()) != 1)
        return TrustResult(kTrustSubjectNotTrusted);
    if (X509_STORE_CTX_init(context.get(), store.get(), signer, certs) != 1)
        return TrustResult(kTrustSubjectNotTrusted);
    X509_STORE_CTX_set_purpose(context.get(), X509_PURPOSE_ANY);
    if (X509_verify_cert(context.get()) != 1)
        return ChainError(X509_STORE_CTX_get_error(context.get()));
    STACK_OF(X509)* chain = X509_STORE_CTX_get0_chain(context.get());
    if (!AllowsCodeSigning(signer))
        return TrustResult(kTrustWrongUsage);
    for (int i = 1; i < sk_X509_num(chain); ++i) {
        if (!CaAllowsCodeSigning(sk_X509_value(chain, i)))
            return TrustResult(kTrustWrongUsage);
    }
    for (int i = 0; i < sk_X509_num(certs); ++i) {
        if (!InChain(sk_X509_value(certs, i), chain))
            return TrustResult(kTrustBadDigest);
    }
    return 0;
}

// MD5 and SHA-1 (and older digests) no longer make a signature.
bool WeakDigest(int nid) {
    switch (nid) {
        case NID_md2:
        case NID_md4:
        case NID_md5:
        case NID_md5_sha1:
        case NID_sha1:
            return true;
        default:
            return false;
    }
}

// The one signer's algorithms must be strong, and it may carry no
// attributes outside its signature.
long CheckSignerInfo(CMS_ContentInfo* cms) {
    STACK_OF(CMS_SignerInfo)* infos = CMS_get0_SignerInfos(cms);
    if (infos == nullptr || sk_CMS_SignerInfo_num(infos) != 1)
        return TrustResult(kTrustBadDigest);
    CMS_SignerInfo* info = sk_CMS_SignerInfo_value(infos, 0);
    if (CMS_unsigned_get_attr_count(info) > 0)
        return TrustResult(kTrustBadDigest);
    X509_ALGOR* digest = nullptr;
    X509_ALGOR* signature = nullptr;
    CMS_SignerInfo_get0_algs(info, nullptr, nullptr, &digest, &signature);
    int signatureDigest = NID_undef;
    if (digest == nullptr || signature == nullptr || WeakDigest(OBJ_obj2nid(digest->algorithm)) ||
        (OBJ_find_sigid_algs(OBJ_obj2nid(signature->algorithm), &signatureDigest, nullptr) == 1 &&
         WeakDigest(signatureDigest))) {
        return TrustResult(kTrustWeakAlgorithm);
    }
    return 0;
}

// Revocation lists are never read here (no revocation checks): one in the
// block would be bytes the signature does not cover.
bool CarriesRevocationLists(CMS_ContentInfo* cms) {
    STACK_OF(X509_CRL)* crls = CMS_get1_crls(cms);
    const bool any = crls != nullptr && sk_X509_CRL_num(crls) > 0;
    sk_X509_CRL_pop_free(crls, X509_CRL_free);
    return any;
}

long ReadLayout(const SignedBytes& bytes, AppendedLayout& layout) {
    const uint64_t size = bytes.Size();
    uint8_t tail[kSignatureTailBytes] = {};
    if (size >= kSignatureTailBytes &&
        bytes.ReadAt(size - kSignatureTailBytes, tail, sizeof(tail)) !=
            static_cast<int64_t>(sizeof(tail))) {
        return kReadFailed;
    }
    switch (ParseAppendedLayout(size, tail, layout)) {
        case AppendedLayoutResult::Ok:
            return layout.signatureBytes <= kMaxSignatureBytes ? 0 : TrustResult(kTrustBadDigest);
        case AppendedLayoutResult::BadLength:
        case AppendedLayoutResult::OddTrailer:
            return TrustResult(kTrustBadDigest);
        default:
            return TrustResult(kTrustNoSignature);
    }
}

long ReadSignature(const SignedBytes& bytes, const AppendedLayout& layout, CmsPtr& cms) {
    std::vector<uint8_t> der(static_cast<size_t>(layout.signatureBytes));
    if (bytes.ReadAt(layout.contentBytes, der.data(), der.size()) !=
        static_cast<int64_t>(der.size())) {
        return kReadFailed;
    }
    const unsigned char* cursor = der.data();
    cms.reset(d2i_CMS_ContentInfo(nullptr, &cursor, static_cast<long>(der.size())));
    if (!cms || cursor != der.data() + der.size() ||
        OBJ_obj2nid(CMS_get0_type(cms.get())) != NID_pkcs7_signed ||
        CMS_is_detached(cms.get()) != 1) {
        return TrustResult(kTrustBadDigest);
    }
    return 0;
}

long Verify(const SignedBytes& bytes, std::string& signer) {
    AppendedLayout layout;
    long result = ReadLayout(bytes, layout);
    CmsPtr cms;
    if (result == 0)
        result = ReadSignature(bytes, layout, cms);
    if (result != 0)
        return result;
    // Without certificates there is no signer to check (a kernel-module style
    // signature that names its key only): the file counts as unsigned.
    CertStackPtr certs(CMS_get1_certs(cms.get()));
    if (!certs || sk_X509_num(certs.get()) == 0)
        return TrustResult(kTrustNoSignature);
    ContentCursor cursor{&bytes, 0, layout.contentBytes};
    BioPtr content(BIO_new(ContentMethod()));
    if (!content)
        return TrustResult(kTrustSubjectNotTrusted);
    BIO_set_data(content.get(), &cursor);
    // The chain is checked below for code signing, not for S/MIME.
    const unsigned flags = CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY;
    if (CMS_verify(cms.get(), nullptr, nullptr, content.get(), nullptr, flags) != 1)
        return TrustResult(kTrustBadDigest);
    if (CarriesRevocationLists(cms.get()))
        return TrustResult(kTrustBadDigest);
    if (const long checked = CheckSignerInfo(cms.get()); checked != 0)
        return checked;
    SignerStackPtr signers(CMS_get0_signers(cms.get()));
    if (!signers || sk_X509_num(signers.get()) == 0)
        return TrustResult(kTrustNoSignature);
    X509* first = sk_X509_value(signers.get(), 0);
    result = VerifyChain(first, certs.get());
    if (result == 0)
        signer = X500NameText(X509_get_subject_name(first));
    return result;
}

}  // namespace

long VerifyAppendedSignature(const SignedBytes& bytes, std::string& signer) {
    signer.clear();
    const long result = Verify(bytes, signer);
    ERR_clear_error();  // nothing of this check is left for the next OpenSSL user
    if (result != 0)
        signer.clear();
    return result;
}

}  // namespace updater

#include "updater/verify/win32/win_trust_api.h"

// clang-format off
#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>
// clang-format on

#include <vector>

#include "updater/verify/signature_check.h"
#include "updater/verify/trust_verifier.h"

namespace updater {
namespace {

// WINTRUST_ACTION_GENERIC_VERIFY_V2
GUID VerifyAction() {
    return GUID{0x00AAC56B, 0xCD44, 0x11D0, {0x8C, 0xC2, 0x00, 0xC0, 0x4F, 0xC2, 0x95, 0xEE}};
}

class WinTrustVerifier : public TrustVerifier {
  public:
    long Verify(const HeldFile& file, std::string& signer) override {
        return CWinTrustAPI::Instance().Verify(file, signer);
    }
};

}  // namespace

CWinTrustAPI& CWinTrustAPI::Instance() {
    static CWinTrustAPI api;
    return api;
}

CWinTrustAPI::CWinTrustAPI() {
    const bool bound =
        crypt32_.LoadSystem(u"Crypt32.dll") && wintrust_.LoadSystem(u"Wintrust.dll") &&
        platform::ResolveInto(
            wintrust_, {platform::Entry("WinVerifyTrust", winVerifyTrust_),
                        platform::Entry("WTHelperProvDataFromStateData", provDataFromStateData_),
                        platform::Entry("WTHelperGetProvSignerFromChain", provSignerFromChain_),
                        platform::Entry("WTHelperGetProvCertFromChain", provCertFromChain_)}) &&
        platform::ResolveInto(
            crypt32_, {platform::Entry("CertNameToStrA", certNameToStrA_),
                       platform::Entry("CertVerifyCertificateChainPolicy", verifyChainPolicy_)});
    if (!bound) {
        winVerifyTrust_ = nullptr;
        provDataFromStateData_ = nullptr;
        provSignerFromChain_ = nullptr;
        provCertFromChain_ = nullptr;
        certNameToStrA_ = nullptr;
        verifyChainPolicy_ = nullptr;
        crypt32_.Unload();
        wintrust_.Unload();
    }
}

// The first signer's certificate subject, whole, and its chain checked once
// more with the Authenticode policy: Wine accepts chains of SHA-256-signed
// certificates from an untrusted root that Windows refuses, and on Windows
// the policy agrees with the trust verification.
long CWinTrustAPI::SignerOf(void* stateData, std::string& signer) const {
    auto* provider = static_cast<CRYPT_PROVIDER_DATA*>(provDataFromStateData_(stateData));
    auto* first =
        provider == nullptr
            ? nullptr
            : static_cast<CRYPT_PROVIDER_SGNR*>(provSignerFromChain_(provider, 0, FALSE, 0));
    auto* cert = first == nullptr ? nullptr
                                  : static_cast<CRYPT_PROVIDER_CERT*>(provCertFromChain_(first, 0));
    if (cert == nullptr || cert->pCert == nullptr)
        return kTrustNoSignerName;
    if (first->pChainContext != nullptr) {
        CERT_CHAIN_POLICY_PARA para{};
        para.cbSize = sizeof(para);
        CERT_CHAIN_POLICY_STATUS status{};
        status.cbSize = sizeof(status);
        if (!verifyChainPolicy_(reinterpret_cast<const char*>(CERT_CHAIN_POLICY_AUTHENTICODE),
                                first->pChainContext, &para, &status)) {
            return TrustResult(kTrustSubjectNotTrusted);
        }
        if (status.dwError != 0)
            return static_cast<long>(status.dwError);
    }
    CERT_NAME_BLOB* subject = &cert->pCert->pCertInfo->Subject;
    const DWORD needed =
        certNameToStrA_(X509_ASN_ENCODING, subject, CERT_X500_NAME_STR, nullptr, 0);
    if (needed <= 1)
        return kTrustNoSignerName;
    std::vector<char> name(needed);
    const DWORD written =
        certNameToStrA_(X509_ASN_ENCODING, subject, CERT_X500_NAME_STR, name.data(), needed);
    if (written <= 1)
        return kTrustNoSignerName;
    signer.assign(name.data(), written - 1);
    return 0;
}

long CWinTrustAPI::Verify(const HeldFile& file, std::string& signer) const {
    signer.clear();
    if (!IsBound())
        return kTrustNotAvailable;
    if (!file.IsOpen())
        return kTrustMissingArgument;
    WINTRUST_FILE_INFO fileInfo{};
    fileInfo.cbStruct = sizeof(fileInfo);
    fileInfo.pcwszFilePath = reinterpret_cast<const wchar_t*>(file.Path().c_str());
    fileInfo.hFile = reinterpret_cast<HANDLE>(file.Native());
    WINTRUST_DATA data{};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_SAFER_FLAG;
    GUID action = VerifyAction();
    HWND noWindow = reinterpret_cast<HWND>(INVALID_HANDLE_VALUE);
    long result = winVerifyTrust_(noWindow, &action, &data);
    if (result == 0)
        result = SignerOf(data.hWVTStateData, signer);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    winVerifyTrust_(noWindow, &action, &data);
    if (result != 0)
        signer.clear();
    return result;
}

TrustVerifier& SystemTrustVerifier() {
    static WinTrustVerifier verifier;
    return verifier;
}

bool SystemOlderThanNt6() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExW(&version))
        return false;
    return version.dwPlatformId != VER_PLATFORM_WIN32_NT || version.dwMajorVersion <= 5;
}

}  // namespace updater

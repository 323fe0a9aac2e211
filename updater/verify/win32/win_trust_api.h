// CWinTrustAPI: the process-wide binding to the system's trust libraries,
// "Crypt32.dll" and "Wintrust.dll", loaded by name on first use (under the
// lock of a function-local static) and kept until the process ends. It
// resolves WinVerifyTrust, WTHelperProvDataFromStateData,
// WTHelperGetProvSignerFromChain and WTHelperGetProvCertFromChain from
// Wintrust, CertNameToStrA and CertVerifyCertificateChainPolicy from Crypt32;
// when a library or an entry point is missing, both libraries are unloaded and
// the binding stays empty. Verify may be called from any thread.
#pragma once

#include <string>

#include "platform/library.h"
#include "updater/verify/held_file.h"

namespace updater {

class CWinTrustAPI {
  public:
    static CWinTrustAPI& Instance();

    bool IsBound() const { return winVerifyTrust_ != nullptr; }
    // 0 and the signer's whole X.500 subject name; the trust result; 1 when
    // the binding is empty; 13 when the signer's name cannot be read.
    long Verify(const HeldFile& file, std::string& signer) const;

  private:
    CWinTrustAPI();
    long SignerOf(void* stateData, std::string& signer) const;

    platform::Library crypt32_;
    platform::Library wintrust_;
    using VerifyTrustFn = long __stdcall(void*, void*, void*);
    using ProvDataFn = void* __stdcall(void*);
    using ProvSignerFn = void* __stdcall(void*, unsigned long, int, unsigned long);
    using ProvCertFn = void* __stdcall(void*, unsigned long);
    using NameToStrFn = unsigned long __stdcall(unsigned long, void*, unsigned long, char*,
                                                unsigned long);
    using ChainPolicyFn = int __stdcall(const char*, const void*, void*, void*);
    VerifyTrustFn* winVerifyTrust_ = nullptr;
    ProvDataFn* provDataFromStateData_ = nullptr;
    ProvSignerFn* provSignerFromChain_ = nullptr;
    ProvCertFn* provCertFromChain_ = nullptr;
    NameToStrFn* certNameToStrA_ = nullptr;
    ChainPolicyFn* verifyChainPolicy_ = nullptr;
};

}  // namespace updater

#include "updater/verify/signature_check.h"

#include <algorithm>
#include <utility>

#include "platform/files.h"
#include "platform/registry.h"
#include "updater_accepted_signers.h"

namespace updater {

const char* ReasonForResult(long result) {
    switch (static_cast<uint32_t>(result)) {
        case kTrustNoSignature:
            return kReasonNotSigned;
        case kTrustExplicitDistrust:
        case kTrustSubjectNotTrusted:
            return kReasonSystemDistrust;
        case kTrustSecuritySettings:
            return kReasonUserDistrust;
        default:
            return kReasonGeneric;
    }
}

const std::vector<std::string>& AcceptedSigners() {
    static const std::vector<std::string> signers = [] {
        std::vector<std::string> names;
        for (const char* name : kAcceptedSignerNames) {
            if (name != nullptr)
                names.emplace_back(name);
        }
        return names;
    }();
    return signers;
}

bool ReadSignatureSwitchOff() {
    for (const uint32_t view : {platform::kKeyWow64_64Key, 0u}) {
        platform::RegistryKey key;
        if (key.Open(platform::Hive::LocalMachine, kSignatureSwitchKey,
                     platform::kKeyQueryValue | view) != platform::kErrorSuccess) {
            continue;
        }
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (key.QueryBytes(kSignatureSwitchValue, type, data) != platform::kErrorSuccess)
            continue;
        return type == platform::kRegDword && data.size() == 4 && data[0] == 1 && data[1] == 0 &&
               data[2] == 0 && data[3] == 0;
    }
    return false;
}

bool SignatureCheckSwitchedOff() {
    static const bool switchedOff = ReadSignatureSwitchOff();
    return switchedOff;
}

CSignatureCheck::CSignatureCheck(SignatureCheckSetup setup) : setup_(std::move(setup)) {
    if (setup_.verifier == nullptr)
        setup_.verifier = &SystemTrustVerifier();
    if (setup_.ownProgram.empty())
        setup_.ownProgram = platform::ProgramFilePath();
}

long CSignatureCheck::Verify(const HeldFile& file, std::string& signer) {
    signer.clear();
    if (!file.IsOpen())
        return kTrustMissingArgument;
    const long result = setup_.verifier->Verify(file, signer);
    if (result != 0)
        signer.clear();
    else if (signer.empty())
        return kTrustNoSignerName;
    return result;
}

bool CSignatureCheck::CheckFile(platform::WStringView path) {
    if (setup_.switchedOff)
        return true;
    if (path.empty()) {
        result_ = kTrustMissingArgument;
        reason_ = kReasonGeneric;
        return false;
    }
    HeldFile file;
    const long opened = file.Open(path);
    if (opened != 0) {
        result_ = opened;
        reason_ = kReasonGeneric;
        return setup_.olderSystem;
    }
    return CheckFile(file);
}

bool CSignatureCheck::CheckFile(const HeldFile& file) {
    if (setup_.switchedOff)
        return true;
    if (!file.IsOpen()) {
        result_ = kTrustMissingArgument;
        reason_ = kReasonGeneric;
        return false;
    }
    std::string signer;
    result_ = Verify(file, signer);
    reason_ = kReasonGeneric;
    if (result_ == 0)
        return CheckTrusted(signer);
    reason_ = ReasonForResult(result_);
    // Systems before NT 6 could not verify every valid signature.
    return setup_.olderSystem;
}

// A trusted signature: its signer must be accepted, or be our own signer.
// Names are compared whole and case-sensitively.
bool CSignatureCheck::CheckTrusted(const std::string& signer) {
    const auto& accepted = setup_.acceptedSigners;
    if (std::find(accepted.begin(), accepted.end(), signer) != accepted.end()) {
        reason_ = kReasonSuccess;
        return true;
    }
    HeldFile own;
    long ownResult = own.Open(setup_.ownProgram);
    std::string ownSigner;
    if (ownResult == 0)
        ownResult = Verify(own, ownSigner);
    if (ownResult != 0) {
        result_ = ownResult;
        reason_ = kReasonOwnSignature;
        return false;
    }
    if (ownSigner != signer) {
        result_ = 1;
        reason_ = kReasonForeignSigner;
        return false;
    }
    result_ = 0;
    reason_ = kReasonSuccess;
    return true;
}

}  // namespace updater

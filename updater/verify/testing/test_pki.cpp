#include "updater/verify/testing/test_pki.h"

#include <gtest/gtest.h>

#include <openssl/cms.h>

#include <cstdlib>

#include "updater/verify/appended_signature.h"

namespace updater::testing {

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

bool TestPki::Run(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    EXPECT_EQ(status, 0) << command;
    return status == 0;
}

std::string TestPki::FilePath(const std::string& name) const {
    return platform::ToUtf8(folder_ / platform::FromUtf8(name));
}

TestCertificate TestPki::MakeCa(const std::string& name, const std::string& subject) {
    TestCertificate ca{FilePath(name + ".crt"), FilePath(name + ".key")};
    Run("openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj " + ShellQuoted(subject) +
        " -keyout " + ShellQuoted(ca.key) + " -out " + ShellQuoted(ca.cert) +
        " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign");
    return ca;
}

TestCertificate TestPki::MakeIntermediate(const std::string& name, const std::string& subject,
                                          const TestCertificate& ca,
                                          const std::string& extendedUsage) {
    TestCertificate made{FilePath(name + ".crt"), FilePath(name + ".key")};
    folder_.Write(platform::FromUtf8(name + ".ext"),
                  "basicConstraints=critical,CA:TRUE\nkeyUsage=critical,keyCertSign,cRLSign\n"
                  "extendedKeyUsage=" +
                      extendedUsage + "\n");
    Run("openssl req -new -newkey rsa:2048 -nodes -subj " + ShellQuoted(subject) + " -keyout " +
        ShellQuoted(made.key) + " -out " + ShellQuoted(FilePath(name + ".csr")));
    Run("openssl x509 -req -days 30 -set_serial " + std::to_string(++serial_) + " -in " +
        ShellQuoted(FilePath(name + ".csr")) + " -CA " + ShellQuoted(ca.cert) + " -CAkey " +
        ShellQuoted(ca.key) + " -extfile " + ShellQuoted(FilePath(name + ".ext")) + " -out " +
        ShellQuoted(made.cert));
    return made;
}

TestCertificate TestPki::MakeSigner(const std::string& name, const std::string& subject,
                                    const TestCertificate& ca, bool codeSigning) {
    TestCertificate signer{FilePath(name + ".crt"), FilePath(name + ".key")};
    const std::string request = FilePath(name + ".csr");
    const std::string extensions = FilePath(name + ".ext");
    folder_.Write(platform::FromUtf8(name + ".ext"),
                  std::string("basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\n") +
                      (codeSigning ? "extendedKeyUsage=codeSigning\n" : ""));
    Run("openssl req -new -utf8 -newkey rsa:2048 -nodes -subj " + ShellQuoted(subject) +
        " -keyout " + ShellQuoted(signer.key) + " -out " + ShellQuoted(request));
    Run("openssl x509 -req -days 30 -set_serial " + std::to_string(++serial_) + " -in " +
        ShellQuoted(request) + " -CA " + ShellQuoted(ca.cert) + " -CAkey " + ShellQuoted(ca.key) +
        " -extfile " + ShellQuoted(extensions) + " -out " + ShellQuoted(signer.cert));
    return signer;
}

bool TestPki::Sign(const platform::WString& in, const platform::WString& out,
                   const TestCertificate& signer, const TestCertificate& ca) {
    const std::string script =
        platform::ToUtf8(qo::test::SourceFile({u"scripts", u"sign-appended"}));
    return Run(ShellQuoted(script) + " --cert " + ShellQuoted(signer.cert) + " --key " +
               ShellQuoted(signer.key) + " --chain " + ShellQuoted(ca.cert) + " " +
               ShellQuoted(platform::ToUtf8(in)) + " " + ShellQuoted(platform::ToUtf8(out)));
}

bool TestPki::SignWithOptions(const platform::WString& in, const platform::WString& out,
                              const TestCertificate& signer, const std::string& options) {
    const std::string sig = platform::ToUtf8(out) + ".sig";
    if (!Run("openssl cms -sign -binary -noattr -outform DER -nosmimecap -signer " +
             ShellQuoted(signer.cert) + " -inkey " + ShellQuoted(signer.key) + " " + options +
             " -in " + ShellQuoted(platform::ToUtf8(in)) + " -out " + ShellQuoted(sig)))
        return false;
    const std::string der = qo::test::ReadFileBytes(platform::FromUtf8(sig));
    qo::test::WriteFileBytes(
        out, qo::test::ReadFileBytes(in) + der + AppendedTail(static_cast<uint32_t>(der.size())));
    return true;
}

bool TestPki::ChangeSignature(const platform::WString& path,
                              const std::function<void(CMS_ContentInfo*)>& change) {
    const std::string bytes = qo::test::ReadFileBytes(path);
    AppendedLayout layout;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (bytes.size() < kSignatureTailBytes ||
        ParseAppendedLayout(
            bytes.size(), std::span(data + bytes.size() - kSignatureTailBytes, kSignatureTailBytes),
            layout) != AppendedLayoutResult::Ok)
        return false;
    const unsigned char* cursor = data + layout.contentBytes;
    CMS_ContentInfo* cms =
        d2i_CMS_ContentInfo(nullptr, &cursor, static_cast<long>(layout.signatureBytes));
    if (cms == nullptr)
        return false;
    change(cms);
    unsigned char* der = nullptr;
    const int length = i2d_CMS_ContentInfo(cms, &der);
    CMS_ContentInfo_free(cms);
    if (length <= 0)
        return false;
    qo::test::WriteFileBytes(
        path, bytes.substr(0, layout.contentBytes) +
                  std::string(reinterpret_cast<const char*>(der), static_cast<size_t>(length)) +
                  AppendedTail(static_cast<uint32_t>(length)));
    OPENSSL_free(der);
    return true;
}

}  // namespace updater::testing

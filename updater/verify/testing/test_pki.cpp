#include "updater/verify/testing/test_pki.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

}  // namespace updater::testing

// The subject name of a certificate as text in the X.500 form that the
// system's CertNameToStr gives on Windows: the relative names in encoding
// order joined by ", " (several values of one relative name by " + "), each
// as "<short name>=<value>" with the short names C, S, L, O, OU, CN, E, ...
// ("OID.<dotted number>" for others); a value with leading or trailing blanks
// or one of , + = " \n < > # ; is quoted, its quotes doubled. Values are UTF-8.
// Pure function; any thread.
#pragma once

#include <string>

#include <openssl/x509.h>

namespace updater {

std::string X500NameText(const X509_NAME* name);

}  // namespace updater

#include "updater/verify/linux/x500_name.h"

#include <openssl/asn1.h>
#include <openssl/crypto.h>
#include <openssl/objects.h>

#include <array>
#include <cstring>

namespace updater {
namespace {

struct ShortName {
    int nid;
    const char* text;
};

// The short names CertNameToStr uses.
constexpr std::array<ShortName, 16> kShortNames{{
    {NID_commonName, "CN"},
    {NID_localityName, "L"},
    {NID_organizationName, "O"},
    {NID_organizationalUnitName, "OU"},
    {NID_pkcs9_emailAddress, "E"},
    {NID_countryName, "C"},
    {NID_stateOrProvinceName, "S"},
    {NID_streetAddress, "STREET"},
    {NID_title, "T"},
    {NID_givenName, "G"},
    {NID_initials, "I"},
    {NID_surname, "SN"},
    {NID_domainComponent, "DC"},
    {NID_serialNumber, "SERIALNUMBER"},
    {NID_postalCode, "PostalCode"},
    {NID_description, "Description"},
}};

std::string AttributeName(const ASN1_OBJECT* object) {
    const int nid = OBJ_obj2nid(object);
    for (const ShortName& name : kShortNames) {
        if (name.nid == nid)
            return name.text;
    }
    char dotted[128] = {};
    const int length = OBJ_obj2txt(dotted, sizeof(dotted), object, 1);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof(dotted))
        return "OID";
    return std::string("OID.") + dotted;
}

std::string ValueText(const ASN1_STRING* value) {
    unsigned char* utf8 = nullptr;
    const int length = ASN1_STRING_to_UTF8(&utf8, value);
    if (length < 0)
        return {};
    std::string text(reinterpret_cast<const char*>(utf8), static_cast<size_t>(length));
    OPENSSL_free(utf8);
    return text;
}

bool NeedsQuotes(const std::string& value) {
    if (value.empty())
        return false;
    if (value.front() == ' ' || value.back() == ' ')
        return true;
    return value.find_first_of(",+=\"\n<>#;") != std::string::npos;
}

std::string Quoted(const std::string& value) {
    if (!NeedsQuotes(value))
        return value;
    std::string text = "\"";
    for (const char c : value) {
        if (c == '"')
            text += '"';
        text += c;
    }
    return text + '"';
}

}  // namespace

std::string X500NameText(const X509_NAME* name) {
    std::string text;
    int previousSet = -1;
    const int count = X509_NAME_entry_count(name);
    for (int i = 0; i < count; ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
        const int set = X509_NAME_ENTRY_set(entry);
        if (i > 0)
            text += set == previousSet ? " + " : ", ";
        previousSet = set;
        text += AttributeName(X509_NAME_ENTRY_get_object(entry));
        text += '=';
        text += Quoted(ValueText(X509_NAME_ENTRY_get_data(entry)));
    }
    return text;
}

}  // namespace updater

#include "wizard/media/dnsmasq_config.h"

#include <algorithm>

#include "wizard/config/shell_value.h"

namespace wizard {
namespace {

// A value in double quotes, as dnsmasq reads it: blanks, commas and '#' stay
// part of the value; '\' and '"' are escaped.
std::string Quoted(std::string_view value) {
    std::string out = "\"";
    for (const char c : value) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string ConfPath(const DnsmasqSetup& setup) {
    return setup.tftpRoot + "/" + kDnsmasqConfName;
}

}  // namespace

bool IsServableFolder(std::string_view folder) {
    return !folder.empty() && std::none_of(folder.begin(), folder.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
}

std::string DnsmasqStartLine(const DnsmasqSetup& setup) {
    std::string line = "dnsmasq --conf-file=" + ShellValue(ConfPath(setup)) + " --interface=IFACE";
    if (setup.proxyNetwork.empty())
        line += " --dhcp-range=NETWORK,proxy";
    return line;
}

std::string DnsmasqConfText(const DnsmasqSetup& setup) {
    std::string text =
        "# dnsmasq: network boot of the Quelix Omnisweep wiping environment from this\n"
        "# folder, written by mediawizard (a new build replaces this file). Start it as\n"
        "#   " +
        DnsmasqStartLine(setup) +
        "\n"
        "# with IFACE the interface on the clients' network.\n"
        "\n"
        "# TFTP and the PXE part of DHCP only: no DNS, no addresses handed out.\n"
        "port=0\n"
        "# Only the interface given, so that another DHCP server or dnsmasq on this\n"
        "# machine may serve the others.\n"
        "bind-interfaces\n"
        "enable-tftp\n"
        "tftp-root=" +
        Quoted(setup.tftpRoot) +
        "\n"
        "\n"
        "# Proxy DHCP: the network's own DHCP server hands out the addresses; this one\n"
        "# answers PXE clients only, with the boot file below.\n";
    if (setup.proxyNetwork.empty())
        text += "# The network (dhcp-range=NETWORK,proxy) is given on the command line.\n";
    else
        text += "dhcp-range=" + setup.proxyNetwork + ",proxy\n";
    text +=
        "\n"
        "# In proxy mode the pxe-service lines choose the boot file by client\n"
        "# architecture. BIOS clients load PXELINUX (the client adds \".0\").\n"
        "pxe-service=x86PC,\"Quelix Omnisweep (BIOS)\",pxelinux\n"
        "# x64 UEFI clients load the signed shim, which starts the signed GRUB beside\n"
        "# it. DHCP does not tell whether a client enforces Secure Boot: the signed\n"
        "# chain boots both kinds. dnsmasq's names for client architectures 7 and 9\n"
        "# are swapped against RFC 4578, so both are listed.\n"
        "pxe-service=X86-64_EFI,\"Quelix Omnisweep (UEFI)\",bootx64.efi\n"
        "pxe-service=BC_EFI,\"Quelix Omnisweep (UEFI)\",bootx64.efi\n";
    return text;
}

}  // namespace wizard

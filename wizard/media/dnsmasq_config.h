// The dnsmasq configuration that serves a network boot tree: TFTP from the
// tree, and proxy DHCP that only tells PXE clients which boot file to load,
// beside the network's own DHCP server. Pure functions on UTF-8 text; any
// thread may call them.
#pragma once

#include <string>
#include <string_view>

namespace wizard {

inline constexpr char kDnsmasqConfName[] = "dnsmasq.conf";

struct DnsmasqSetup {
    std::string tftpRoot;      // the tree's absolute folder
    std::string proxyNetwork;  // IPv4 network address; empty: given on dnsmasq's command line
};

// False when the folder cannot be written into dnsmasq.conf or onto a command
// line (it holds a control character).
bool IsServableFolder(std::string_view folder);

// The text of dnsmasq.conf for the tree (LF line ends).
std::string DnsmasqConfText(const DnsmasqSetup& setup);

// The shell command that starts dnsmasq on it, with IFACE (and NETWORK when no
// proxy network was given) for the administrator to fill in.
std::string DnsmasqStartLine(const DnsmasqSetup& setup);

}  // namespace wizard

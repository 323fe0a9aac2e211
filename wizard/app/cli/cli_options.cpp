#include "wizard/app/cli/cli_options.h"

#include <arpa/inet.h>

#include <charconv>
#include <fstream>
#include <iterator>
#include <map>

#include "qo_version.h"

namespace wizard::cli {
namespace {

bool ParseClass(const std::string& name, DriveClass& out) {
    static const std::map<std::string, DriveClass> classes = {
        {"hdd", DriveClass::Hdd},
        {"ssd", DriveClass::Ssd},
        {"hybrid", DriveClass::Hybrid},
        {"removable", DriveClass::Removables}};
    const auto it = classes.find(name);
    if (it == classes.end())
        return false;
    out = it->second;
    return true;
}

bool ParseClassList(const std::string& list, bool on, CliOptions& o, std::string& error) {
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = std::min(list.find(',', start), list.size());
        const std::string name = list.substr(start, comma - start);
        DriveClass c;
        if (!ParseClass(name, c)) {
            error = "unknown drive class '" + name + "' (hdd, ssd, hybrid, removable)";
            return false;
        }
        o.verify.emplace_back(c, on);
        start = comma + 1;
    }
    return true;
}

// Options that take no value, by what they set.
bool ParseFlag(const std::string& a, CliOptions& o) {
    if (a == "--auto" || a == "--manual") {
        o.autoStart = a == "--auto";
    } else if (a == "--default-settings" || a == "--custom-settings") {
        o.useDefaults = a == "--default-settings";
    } else if (a == "--reset-hpa" || a == "--no-reset-hpa") {
        o.resetHpa = a == "--reset-hpa";
    } else if (a == "--reset-dco" || a == "--no-reset-dco") {
        o.resetDco = a == "--reset-dco";
    } else if (a == "--ata-erase" || a == "--no-ata-erase") {
        o.ataErase = a == "--ata-erase";
    } else if (a == "--no-delay" || a == "--delay") {
        o.noDelay = a == "--no-delay";
    } else if (a == "--log-usb" || a == "--no-log-usb") {
        o.logUsb = a == "--log-usb";
    } else if (a == "--no-log-share") {
        o.logShare = std::string();
    } else if (a == "--lock-settings") {
        o.lockSettings = true;
    } else if (a == "--open-folder") {
        o.openFolder = true;
    } else if (a == "--yes") {
        o.yes = true;
    } else if (a == "--watch") {
        o.watch = true;
    } else if (a == "--reproducible") {
        o.reproducible = true;
    } else if (a == "--verify-medium" || a == "--no-verify-medium") {
        o.verifyMedium = a == "--verify-medium";
    } else {
        return false;
    }
    return true;
}

bool SetAction(CliOptions& o, Action action, std::string& error) {
    if (o.action != Action::Run && o.action != action) {
        error =
            "only one of -v, --help, --list-schemes, --write-config, --iso, --check-share, --usb, "
            "--list-usb, --netboot and --print-digest TARGET may be given";
        return false;
    }
    o.action = action;
    return true;
}

// Options that take a value.
bool ParseValue(const std::string& a, const std::string& v, CliOptions& o, std::string& error) {
    if (a == "--write-config") {
        if (v.empty())
            return error = "--write-config needs a folder", false;
        o.configFolder = v;
        return SetAction(o, Action::WriteConfig, error);
    }
    if (a == "--usb") {
        if (v.empty())
            return error = "--usb needs a disk device or an image file", false;
        o.usbTargets.push_back(v);
        return SetAction(o, Action::Usb, error);
    }
    if (a == "--netboot") {
        if (v.empty())
            return error = "--netboot needs a folder", false;
        o.netbootFolder = v;
        return SetAction(o, Action::Netboot, error);
    }
    if (a == "--proxy-dhcp") {
        in_addr address{};
        if (inet_pton(AF_INET, v.c_str(), &address) != 1)
            return error = "--proxy-dhcp needs the IPv4 address of a network (192.168.1.0)", false;
        o.proxyNetwork = v;
        return true;
    }
    if (a == "--record") {
        if (v.empty())
            return error = "--record needs a folder", false;
        o.recordFolder = v;
        return true;
    }
    if (a == "--scheme") {
        const size_t eq = v.find('=');
        DriveClass c;
        if (eq == std::string::npos || !ParseClass(v.substr(0, eq), c)) {
            error =
                "--scheme takes CLASS=INDEX or CLASS=NAME with CLASS hdd, ssd, hybrid or removable";
            return false;
        }
        o.schemes.emplace_back(c, v.substr(eq + 1));
        return true;
    }
    if (a == "--verify" || a == "--no-verify")
        return ParseClassList(v, a == "--verify", o, error);
    if (a == "--log-share") {
        if (v.empty())
            return error = "--log-share needs a share (\\\\server\\share)", false;
        o.logShare = v;
    } else if (a == "--share-user") {
        o.shareUser = v;
    } else if (a == "--share-password-file") {
        o.sharePasswordFile = v;
    } else {
        error = "unknown option '" + a + "'";
        return false;
    }
    return true;
}

bool TakesValue(const std::string& a) {
    return a == "--write-config" || a == "--usb" || a == "--record" || a == "--netboot" ||
           a == "--proxy-dhcp" || a == "--scheme" || a == "--verify" || a == "--no-verify" ||
           a == "--log-share" || a == "--share-user" || a == "--share-password-file";
}

}  // namespace

bool ParseCli(const std::vector<std::string>& args, CliOptions& o, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i];
        std::string value;
        bool hasValue = false;
        if (a.rfind("--", 0) == 0 && a.find('=') != std::string::npos) {
            value = a.substr(a.find('=') + 1);
            a = a.substr(0, a.find('='));
            hasValue = true;
        }
        if (a == "-v" || a == "-V") {
            if (!SetAction(o, Action::About, error))
                return false;
        } else if (a == "--help" || a == "-h") {
            if (!SetAction(o, Action::Help, error))
                return false;
        } else if (a == "--list-schemes") {
            if (!SetAction(o, Action::ListSchemes, error))
                return false;
        } else if (a == "--check-share") {
            if (!SetAction(o, Action::CheckShare, error))
                return false;
        } else if (a == "--list-usb") {
            if (!SetAction(o, Action::ListUsb, error))
                return false;
        } else if (a == "--iso") {
            // The path is optional: the next argument is taken unless it is an option.
            if (!hasValue && i + 1 < args.size() && args[i + 1].rfind("-", 0) != 0) {
                value = args[++i];
                hasValue = true;
            }
            if (hasValue)
                o.isoPath = value;
            if (!SetAction(o, Action::Iso, error))
                return false;
        } else if (a == "--print-digest") {
            // With a medium it is an action; without one it follows a build.
            if (!hasValue && i + 1 < args.size() && args[i + 1].rfind("-", 0) != 0) {
                value = args[++i];
                hasValue = true;
            }
            o.printDigest = true;
            if (hasValue) {
                if (value.empty())
                    return error = "--print-digest= needs a medium", false;
                o.digestTarget = value;
                if (!SetAction(o, Action::Digest, error))
                    return false;
            }
        } else if (TakesValue(a)) {
            if (!hasValue) {
                if (i + 1 >= args.size())
                    return error = a + " needs a value", false;
                value = args[++i];
            }
            if (!ParseValue(a, value, o, error))
                return false;
        } else if (hasValue || !ParseFlag(a, o)) {
            error = "unknown option '" + args[i] + "'";
            return false;
        }
    }
    if (o.action == Action::CheckShare && (!o.logShare || o.logShare->empty())) {
        error = "--check-share needs --log-share UNC";
        return false;
    }
    const bool builds = o.action == Action::Iso || o.action == Action::Usb;
    if (o.printDigest && o.digestTarget.empty() && !builds) {
        error = "--print-digest needs --iso, --usb or a medium to read";
        return false;
    }
    if (o.reproducible && !builds && o.action != Action::Netboot) {
        error = "--reproducible needs --iso, --usb or --netboot";
        return false;
    }
    if (!builds && (o.verifyMedium || !o.recordFolder.empty())) {
        error = std::string(!o.verifyMedium   ? "--record"
                            : *o.verifyMedium ? "--verify-medium"
                                              : "--no-verify-medium") +
                " needs --iso or --usb";
        return false;
    }
    if (!o.proxyNetwork.empty() && o.action != Action::Netboot) {
        error = "--proxy-dhcp needs --netboot DIR";
        return false;
    }
    if (o.SetsWipingOption() && o.useDefaults == true) {
        error = "--default-settings cannot be combined with wiping options";
        return false;
    }
    return true;
}

std::string AboutText() {
    return std::string("About Quelix Omnisweep Wizard\nVersion ") + QO_VERSION_TEXT + "\n";
}

std::string UsageText() {
    return "Usage: mediawizard [OPTION]... ACTION\n"
           "Actions:\n"
           "  -v                         show the program version\n"
           "  --list-schemes             list the wiping schemes: index, name, file, passes, "
           "weight\n"
           "  --write-config DIR         write a medium's configuration files and archive into "
           "DIR\n"
           "  --iso [PATH]               build the ISO image at PATH (default: the last one "
           "built)\n"
           "  --open-folder              after --iso, print the path of the image made and show "
           "it\n"
           "                             in the file manager\n"
           "  --check-share              check that the --log-share share exists and that the\n"
           "                             --share-user account can create a file in it (exit 0)\n"
           "  --usb TARGET               make TARGET a bootable USB drive: a whole removable USB\n"
           "                             disk (/dev/sdX, needs root) or an image file taken as a\n"
           "                             whole disk (copy it to sticks afterwards); given again,\n"
           "                             all the drives are made at once, after one question,\n"
           "                             with a line of progress each and a table of results\n"
           "                             (exit 0 only when every drive was made)\n"
           "  --list-usb                 list the USB drives: drive, capacity, free space, file\n"
           "                             system, status\n"
           "  --watch                    with --list-usb, list again whenever a disk arrives or\n"
           "                             goes, until Ctrl-C\n"
           "  --netboot DIR              write a network boot tree into DIR (made when missing;\n"
           "                             our files are replaced, others kept) with dnsmasq.conf\n"
           "  --proxy-dhcp NETWORK       with --netboot, the network (192.168.1.0) on which\n"
           "                             dnsmasq answers PXE clients beside its DHCP server\n"
           "                             (else it is given when dnsmasq is started)\n"
           "  --print-digest [TARGET]    print the SHA-256 of the medium built by --iso or --usb,\n"
           "                             or of TARGET without a build: an image file whole (as\n"
           "                             sha256sum), a USB disk from its partition table to the\n"
           "                             last cluster in use\n"
           "Verification and records:\n"
           "  --verify-medium            after --iso or --usb, read the medium back (past the\n"
           "                             system's cache) and compare every file written; on by\n"
           "                             default for --iso and for several drives\n"
           "  --no-verify-medium         do not read the media back\n"
           "  --record DIR               write each medium's build record (JSON: version, time,\n"
           "                             options, digests of the configuration and of every file\n"
           "                             written, the drive, the verification) into DIR; without\n"
           "                             it an image file's record is written beside it\n"
           "                             (IMAGE.json) and a drive has none\n"
           "Reproducible media:\n"
           "  --reproducible             with --iso, --usb or --netboot, the same settings and\n"
           "                             payload give the same bytes: every date (of the "
           "archive's\n"
           "                             members alone for --netboot) is SOURCE_DATE_EPOCH when "
           "it\n"
           "                             is set (which alone has the same effect), else the time\n"
           "                             of the newest payload file\n"
           "Work mode:\n"
           "  --auto | --manual          wipe all disks without questions, or let the operator "
           "choose\n"
           "  --default-settings         use the recommended wiping options\n"
           "  --custom-settings          use the stored wiping options\n"
           "Wiping options (imply --custom-settings and are stored):\n"
           "  --scheme CLASS=INDEX|NAME  scheme of a drive class: hdd, ssd, hybrid, removable\n"
           "  --verify CLASS[,CLASS...]  verify the wipe of these classes (--no-verify: do not)\n"
           "  --reset-hpa, --reset-dco, --ata-erase   (and --no-...) ATA options\n"
           "Other options:\n"
           "  --no-delay | --delay       start wiping without or with the start delay\n"
           "  --log-usb | --no-log-usb   write the wipe log to the USB drive\n"
           "  --log-share UNC            write the wipe log to a share (\\\\server\\share or "
           "//server/share)\n"
           "  --no-log-share             no log on a share\n"
           "  --share-user USER          user for the share (DOMAIN\\user or user)\n"
           "  --share-password-file FILE read the share password from the first line of FILE\n"
           "  --lock-settings            the settings cannot be changed on the target computer\n"
           "  --yes                      answer Yes to every question: the share check's (a build\n"
           "                             with --log-share checks the share first and asks on the\n"
           "                             terminal; without one it checks and keeps no share that\n"
           "                             failed) and, with --usb, the format question (without a\n"
           "                             terminal the answer is otherwise No)\n";
}

}  // namespace wizard::cli

#include "wiper/cli/session.h"

#include <openssl/evp.h>

#include <ctime>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <thread>

#include "qo_version.h"
#include "wiper/drive_wipe.h"
#include "wiper/linux/console_set.h"
#include "wiper/linux/disk_target.h"
#include "wiper/linux/drive_discovery.h"
#include "wiper/linux/sg_ata_port.h"
#include "wiper/linux/system.h"
#include "wiper/operator_menu.h"
#include "wiper/progress_board.h"
#include "wiper/scheme_library.h"
#include "wiper/share_mount.h"

namespace wiper {
namespace {

constexpr int kStartDelaySeconds = 10;
constexpr double kProgressInterval = 2.0;

std::mutex gConsole;

void Say(const std::string& text) {
    std::lock_guard<std::mutex> hold(gConsole);
    std::cout << text << std::endl;
}

bool ReadWhole(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::stringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

std::string Sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr) != 1)
        return "(not available)";
    std::string hex;
    char pair[3];
    for (unsigned i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

std::string DateTime(std::time_t t, const char* format = "%Y-%m-%d %H:%M:%S UTC") {
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[40];
    std::strftime(text, sizeof text, format, &parts);
    return text;
}

std::string Now() {
    return DateTime(std::time(nullptr));
}

std::string BootTime() {
    std::string uptime;
    double seconds = 0;
    if (ReadWhole("/proc/uptime", uptime))
        seconds = std::strtod(uptime.c_str(), nullptr);
    return DateTime(std::time(nullptr) - static_cast<std::time_t>(seconds));
}

// What was read from the medium's configuration files.
struct Setup {
    WipeConfig config;
    WipePolicy policy;
    SchemeLibrary schemes;
    RunRecord run;
};

Setup ReadSetup(const SessionPaths& paths) {
    Setup s;
    std::string configText, policyText;
    if (ReadWhole(paths.config, configText))
        s.config = ParseWipeConfig(configText);
    else
        s.run.notes.push_back("configuration: " + paths.config + " is missing: manual mode");
    std::string error;
    if (!ReadWhole(paths.policy, policyText))
        s.run.notes.push_back("policy: " + paths.policy +
                              " is missing: no drive class has a scheme");
    else if (!ParsePolicy(policyText, s.policy, error))
        s.run.notes.push_back("policy: " + paths.policy + " cannot be read (" + error +
                              "): no drive class has a scheme");
    s.schemes.Load(paths.schemes);
    for (const std::string& name : s.schemes.rejected())
        s.run.notes.push_back("scheme file " + name + " holds no valid scheme and is not used");
    s.run.version = QO_VERSION_TEXT;
    s.run.bootTime = BootTime();
    s.run.configDigest = Sha256Hex(configText + policyText);
    return s;
}

// A drive with what will be done to it.
struct Candidate {
    FoundDrive found;
    int scheme = -1;
    bool verify = false;
    ClassPolicy ata;
    std::string noScheme;  // why it has none
};

std::vector<Candidate> Candidates(const Setup& s, const Discovery& discovery) {
    std::vector<Candidate> list;
    for (const FoundDrive& f : discovery.drives) {
        Candidate c;
        c.found = f;
        const ClassPolicy& p = s.policy.Of(f.info.driveClass);
        c.ata = p;
        c.verify = p.verify;
        if (!p.present)
            c.noScheme = std::string("the policy has no scheme for ") +
                         DriveClassName(f.info.driveClass) + " drives";
        else if ((c.scheme = s.schemes.Find(p.scheme)) < 0)
            c.noScheme = "the scheme file " + p.scheme + " is not on the medium";
        list.push_back(std::move(c));
    }
    return list;
}

std::string PlanLine(const Setup& s, const Candidate& c) {
    const DriveInfo& d = c.found.info;
    std::string line = "  " + d.name + "  " + DriveClassName(d.driveClass) + "  " +
                       SizeText(d.sizeBytes) + "  " + d.model + "  serial " + d.serial + "  ";
    if (c.scheme < 0)
        return line + "not wiped: " + c.noScheme;
    return line + "scheme: " + s.schemes.schemes()[static_cast<size_t>(c.scheme)].name +
           (c.verify ? ", verify" : "");
}

// Wipes one candidate; runs on its own thread.
DriveRecord WipeCandidate(const Setup& s, const Candidate& c, const SessionPaths& paths,
                          ProgressBoard& board) {
    const LoadedScheme& scheme = s.schemes.schemes()[static_cast<size_t>(c.scheme)];
    DriveJob job;
    job.drive = c.found.info;
    job.scheme = scheme.name;
    job.schemeFile = scheme.file;
    job.verification = c.verify;
    job.ata = c.ata;
    DriveRecord failed;
    failed.drive = c.found.info;
    failed.scheme = scheme.name;
    failed.schemeFile = scheme.file;
    failed.verification = c.verify;
    failed.result = DriveResult::Failed;
    if (!PlanPasses(scheme.passes, c.verify, RandomKeyFromSystem, job.passes)) {
        failed.failure = "no random key from the system";
        return failed;
    }
    std::string error;
    std::unique_ptr<DiskTarget> target = DiskTarget::Open(c.found.device, c.found.devNumber, error);
    if (!target) {
        failed.failure = error;
        return failed;
    }
    // The descriptor now holds the drive; it must be the one listed.
    if (!StillListedAs(paths.sys, c.found)) {
        failed.failure =
            c.found.device + " is no longer the drive listed (its size or serial changed)";
        return failed;
    }
    std::unique_ptr<ProgressSink> sink =
        board.ForDrive(c.found.info.name, JobWork(job, target->Size()));
    SgAtaPort port(target->Fd());
    DriveTools tools(*target, *sink);
    if (c.found.ata)
        tools.ata = &port;
    tools.ataMissing = c.found.ataMissing;
    tools.now = Now;
    tools.refreshSize = [&] {
        std::ofstream rescan(paths.sys + "/block/" + c.found.info.name + "/device/rescan");
        rescan << "1" << std::endl;
        return static_cast<bool>(rescan) && target->Refresh();
    };
    return WipeDrive(job, tools);
}

void WipeChosen(const Setup& s, const std::vector<Candidate>& chosen, const SessionPaths& paths,
                RunRecord& run) {
    ProgressBoard board(std::cout, gConsole, kProgressInterval);
    std::vector<DriveRecord> records(chosen.size());
    std::vector<std::thread> threads;
    Say("Wiping " + std::to_string(chosen.size()) + (chosen.size() == 1 ? " drive." : " drives."));
    for (size_t i = 0; i < chosen.size(); ++i) {
        threads.emplace_back([&, i] {
            records[i] = WipeCandidate(s, chosen[i], paths, board);
            Say(records[i].drive.name + ": " + ResultText(records[i]));
        });
    }
    for (std::thread& t : threads)
        t.join();
    for (DriveRecord& r : records)
        run.drives.push_back(std::move(r));
}

void WriteLogs(const Setup& s, const Discovery& discovery, const std::string& password,
               const RunRecord& run) {
    const std::string text = RenderLog(run);
    const std::string name =
        "quelix-wipe-" + DateTime(std::time(nullptr), "%Y%m%d-%H%M%S") + ".log";
    Say("--- log\n" + text + "--- end of log");
    std::string error;
    const auto write = [&](const std::string& folder) {
        return WriteNewFile(folder, name, text, error);
    };
    if (s.config.logToUsb) {
        if (discovery.mediumVolume.empty())
            Say("log to USB drive: no wiping medium with a FAT volume was found (a CD or an "
                "image was booted); the log is on the console only");
        else if (WithMounted({discovery.mediumVolume, "vfat", "", false}, write, error))
            Say("log written to the USB drive: " + name);
        else
            Say("log to USB drive failed: " + error);
    }
    if (s.config.logToShare) {
        MountRequest request;
        if (!ShareMountRequest(s.config.share, s.config.user, password, ResolveHost, request,
                               error))
            Say("log to share failed: " + error);
        else if (WithMounted(request, write, error))
            Say("log written to the share " + s.config.share + ": " + name);
        else
            Say("log to share failed: " + error);
    }
}

void WaitForOperator() {
    Say("Press Enter to power off.");
    std::string line;
    std::getline(std::cin, line);
}

// Manual mode: the operator's menu; true when drives were wiped.
bool RunManual(const Setup& s, const std::vector<Candidate>& candidates, const SessionPaths& paths,
               ConsoleSet& console, RunRecord& run) {
    std::vector<std::string> names;
    for (const LoadedScheme& scheme : s.schemes.schemes())
        names.push_back(scheme.name);
    std::vector<MenuEntry> entries;
    for (const Candidate& c : candidates)
        entries.push_back({c.found.info, c.scheme, c.verify, false});
    OperatorMenu menu(std::cin, std::cout, names, s.config.locked, s.config.operatorShell);
    while (true) {
        const MenuChoice choice = menu.Run(entries);
        if (choice == MenuChoice::Shell) {
            RunOperatorShell(console.OperatorTerminal());
            continue;
        }
        if (choice == MenuChoice::PowerOff)
            return false;
        std::vector<Candidate> chosen;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (!entries[i].selected)
                continue;
            Candidate c = candidates[i];
            c.scheme = entries[i].scheme;
            chosen.push_back(std::move(c));
        }
        WipeChosen(s, chosen, paths, run);
        return true;
    }
}

// Shows the drives and what will be done to them; in automatic mode waits
// the start delay, in which a key (unless the settings are locked) turns to
// manual mode. True when automatic mode stays.
bool StaysAutomatic(const Setup& s, const std::vector<Candidate>& candidates, ConsoleSet& console) {
    const WipeConfig& config = s.config;
    Say("Drives (automatic mode):");
    for (const Candidate& c : candidates)
        Say(PlanLine(s, c));
    if (candidates.empty()) {
        Say("No drives to wipe.");
        return true;
    }
    if (config.noDelay)
        return true;
    Say("Wiping starts in " + std::to_string(kStartDelaySeconds) + " seconds" +
        (config.locked ? "." : "; press a key to choose the drives yourself."));
    return !(console.KeyWithin(kStartDelaySeconds) && !config.locked);
}

// Automatic mode: every drive with its class's scheme, all at once; a drive
// whose class has no scheme is recorded as not wiped. True when any was wiped.
bool RunAutomatic(const Setup& s, const std::vector<Candidate>& candidates,
                  const SessionPaths& paths, RunRecord& run) {
    std::vector<Candidate> chosen;
    for (const Candidate& c : candidates) {
        if (c.scheme >= 0) {
            chosen.push_back(c);
            continue;
        }
        DriveRecord r;
        r.drive = c.found.info;
        r.failure = c.noScheme;
        run.drives.push_back(std::move(r));
    }
    if (!chosen.empty())
        WipeChosen(s, chosen, paths, run);
    return !chosen.empty();
}

}  // namespace

int RunEnvironment(const SessionPaths& paths) {
    ConsoleSet console = ConsoleSet::OpenActive(paths.sys, paths.dev);
    console.Attach();
    Setup s = ReadSetup(paths);
    RunRecord& run = s.run;
    for (const std::string& note : run.notes)
        Say(note);
    std::string password = s.config.password;
    if (s.config.logToShare && s.config.askPassword) {
        Say("Password for the log share " + s.config.share + " (user " + s.config.user + "):");
        console.ReadHidden(password);
    }
    Say("Looking for drives...");
    WaitForDrives(paths.sys, 3.0, 20.0);
    const Discovery discovery = DiscoverDrives(paths.sys, paths.dev);
    for (const SkippedDisk& skipped : discovery.skipped) {
        run.notes.push_back("not offered: " + skipped.name + ", " + skipped.reason);
        Say("not offered: " + skipped.name + ", " + skipped.reason);
    }
    const std::vector<Candidate> candidates = Candidates(s, discovery);
    const bool automatic = s.config.wipeAll && StaysAutomatic(s, candidates, console);
    run.mode = automatic ? "automatic" : "manual";
    bool wiped = false;
    if (automatic)
        wiped = RunAutomatic(s, candidates, paths, run);
    else if (candidates.empty())
        Say("No drives to wipe.");
    else
        wiped = RunManual(s, candidates, paths, console, run);
    Say(RenderSummary(run));
    WriteLogs(s, discovery, password, run);
    Say("QUELIX-WIPE: finished");
    if (!automatic && wiped)
        WaitForOperator();
    return 0;
}

int WipeOne(const std::string& device, const std::string& schemeFile, bool verify) {
    std::string text;
    std::string name;
    std::vector<wizard::SchemePass> passes;
    if (!ReadWhole(schemeFile, text) || !wizard::ParseSchemePasses(text, name, passes)) {
        std::cerr << "quelix-wipe: " << schemeFile << " holds no valid scheme\n";
        return 2;
    }
    DriveJob job;
    job.drive.name = device.substr(device.rfind('/') + 1);
    job.scheme = name;
    job.schemeFile = schemeFile;
    if (!PlanPasses(passes, verify, RandomKeyFromSystem, job.passes)) {
        std::cerr << "quelix-wipe: no random key from the system\n";
        return 2;
    }
    std::string error;
    std::unique_ptr<DiskTarget> target = DiskTarget::Open(device, "", error);
    if (!target) {
        std::cerr << "quelix-wipe: " << error << "\n";
        return 2;
    }
    ProgressBoard board(std::cout, gConsole, kProgressInterval);
    std::unique_ptr<ProgressSink> sink =
        board.ForDrive(job.drive.name, JobWork(job, target->Size()));
    DriveTools tools(*target, *sink);
    tools.ataMissing = "not asked";
    tools.now = Now;
    const DriveRecord record = WipeDrive(job, tools);
    for (const PassRecord& p : record.passes)
        Say(p.description + ": " + p.result);
    Say(job.drive.name + ": " + ResultText(record));
    return record.result == DriveResult::Wiped ? 0 : 1;
}

}  // namespace wiper

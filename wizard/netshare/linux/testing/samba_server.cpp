#include "wizard/netshare/linux/testing/samba_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

// libsmbclient's smbc_new_context sets up its debug log and keeps a copy of
// the log file name that it never frees (debug_set_logfile, once per
// context): not ours to fix. Samba's allocator has no frame pointers, so the
// quick stacks LeakSanitizer takes end in it; only Samba allocates through it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libtalloc.so\n";
}

namespace wizard::netshare::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kDeadline = 60s;       // generous: a loaded machine
constexpr auto kPollInterval = 20ms;  // between looks at a process or a port
constexpr char kNssWrapper[] = "libnss_wrapper.so";

std::string Program(const char* name) {
    for (const char* folder : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/"}) {
        const std::string path = std::string(folder) + name;
        if (access(path.c_str(), X_OK) == 0)
            return path;
    }
    return {};
}

bool WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

bool LoopbackUp(std::string& error) {
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return error = std::string("socket: ") + std::strerror(errno), false;
    ifreq request{};
    std::strcpy(request.ifr_name, "lo");
    bool ok = ioctl(s, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags |= IFF_UP | IFF_RUNNING;
    ok = ok && ioctl(s, SIOCSIFFLAGS, &request) == 0;
    if (!ok)
        error = std::string("cannot bring up lo: ") + std::strerror(errno);
    close(s);
    return ok;
}

bool PortOpen() {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(445);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool open = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(s);
    return open;
}

// Waits for a child within the deadline; kills it when it outlives it.
bool WaitChild(pid_t pid, int& status) {
    const auto end = Clock::now() + kDeadline;
    while (Clock::now() < end) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return true;
        if (done < 0)
            return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return false;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& t : texts)
        pointers.push_back(t.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

std::string SambaServer::Missing() {
    if (Program("smbd").empty() || Program("smbpasswd").empty())
        return "smbd is not installed (Debian package samba): the Samba share tests are skipped";
    return {};
}

std::string SambaServer::Folder(const char* share) const {
    return root_ + "/" + share;
}

std::string SambaServer::Log() const {
    std::ifstream in(root_ + "/smbd.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a Samba tool (or starts smbd when input is empty and args[0] is smbd)
// with the private accounts.
bool SambaServer::Run(const std::vector<std::string>& args, const std::string& input,
                      std::string& error) {
    std::vector<std::string> env = {
        std::string("LD_PRELOAD=") + kNssWrapper, "NSS_WRAPPER_PASSWD=" + root_ + "/passwd",
        "NSS_WRAPPER_GROUP=" + root_ + "/group", "PATH=/usr/sbin:/usr/bin"};
    std::vector<std::string> argv = args;
    std::vector<char*> argp = Pointers(argv), envp = Pointers(env);
    const bool daemon = input.empty();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string in = root_ + "/stdin", log = root_ + "/smbd.log";
    WriteText(in, input);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // smbd leads a process group of its own, so its workers stop with it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, argp.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return error = argv[0] + ": " + std::strerror(spawned), false;
    if (daemon) {
        smbd_ = pid;
        return true;
    }
    int status = 0;
    if (!WaitChild(pid, status) || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return error = argv[0] + " failed:\n" + Log(), false;
    return true;
}

bool SambaServer::Start(std::string& error) {
    root_ = platform::ToUtf8(scratch_.Path());
    if (unshare(CLONE_NEWNET) != 0)
        return error = std::string("cannot make a private network namespace (run as root): ") +
                       std::strerror(errno),
               false;
    if (!LoopbackUp(error))
        return false;
    for (const char* folder : {"priv", "rw", "ro", "guest"}) {
        const std::string path = Folder(folder);
        mkdir(path.c_str(), 0700);
        chmod(path.c_str(), std::string(folder) == "priv" ? 0700 : 0777);
    }
    const std::string priv = Folder("priv");
    const bool written =
        WriteText(root_ + "/passwd",
                  "root:x:0:0:root:/root:/bin/sh\n"
                  "nobody:x:65534:65534:nobody:/nonexistent:/usr/sbin/nologin\n" +
                      std::string(kUser) + ":x:60111:60111::/nonexistent:/usr/sbin/nologin\n") &&
        WriteText(root_ + "/group",
                  "root:x:0:\nnogroup:x:65534:\n" + std::string(kUser) + ":x:60111:\n") &&
        WriteText(root_ + "/smb.conf",
                  "[global]\n  workgroup = " + std::string(kWorkgroup) +
                      "\n  interfaces = lo\n  bind interfaces only = yes\n  smb ports = 445\n"
                      "  private dir = " +
                      priv + "\n  lock directory = " + priv + "\n  state directory = " + priv +
                      "\n  cache directory = " + priv + "\n  pid directory = " + priv +
                      "\n  ncalrpc dir = " + priv +
                      "/ncalrpc\n  usershare path =\n  log file = " + priv +
                      "/log.%m\n  map to guest = Bad User\n  passdb backend = tdbsam:" + priv +
                      "/passdb.tdb\n  server min protocol = SMB2\n  load printers = no\n"
                      "  disable spoolss = yes\n"
                      "[rw]\n  path = " +
                      Folder("rw") + "\n  read only = no\n  valid users = " + kUser +
                      "\n"
                      "[ro]\n  path = " +
                      Folder("ro") + "\n  read only = yes\n  valid users = " + kUser +
                      "\n"
                      "[guest]\n  path = " +
                      Folder("guest") + "\n  read only = no\n  guest ok = yes\n");
    if (!written)
        return error = "cannot write the server's files in " + root_, false;
    const std::string conf = root_ + "/smb.conf";
    const std::string password = std::string(kPassword) + "\n" + kPassword + "\n";
    if (!Run({Program("smbpasswd"), "-c", conf, "-a", "-s", kUser}, password, error))
        return false;
    if (!Run({Program("smbd"), "--foreground", "--no-process-group", "--debug-stdout", "-d", "1",
              "-s", conf},
             "", error))
        return false;
    const auto end = Clock::now() + kDeadline;
    while (Clock::now() < end) {
        if (PortOpen())
            return true;
        int status = 0;
        if (waitpid(smbd_, &status, WNOHANG) == smbd_) {
            smbd_ = -1;
            return error = "smbd ended at its start:\n" + Log(), false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return error = "smbd did not listen on port 445 within a minute:\n" + Log(), false;
}

SambaServer::~SambaServer() {
    if (smbd_ <= 0)
        return;
    kill(-smbd_, SIGTERM);
    int status = 0;
    WaitChild(smbd_, status);  // kills it when it outlives the deadline
    kill(-smbd_, SIGKILL);     // any worker still left
}

}  // namespace wizard::netshare::testing

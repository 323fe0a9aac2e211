#include "wiper/linux/system.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "platform/posix/write_all.h"
#include "wizard/media/linux/unique_fd.h"

extern char** environ;

namespace wiper {
namespace {

bool FillRandom(uint8_t* out, size_t size) {
    while (size > 0) {
        const ssize_t n = getrandom(out, size, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        out += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool RandomKeyFromSystem(RandomKey& key) {
    return FillRandom(key.key.data(), key.key.size()) &&
           FillRandom(key.nonce.data(), key.nonce.size());
}

void RunOperatorShell(int terminal) {
    char shell[] = "/bin/sh";
    char* argv[] = {shell, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd <= 2; ++fd)
        if (terminal != fd)
            posix_spawn_file_actions_adddup2(&actions, terminal, fd);
    pid_t pid = -1;
    const int started = posix_spawn(&pid, shell, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        std::cout << "The shell cannot be started." << std::endl;
        return;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

bool WithMounted(const MountRequest& request, const std::function<bool(const std::string&)>& write,
                 std::string& error) {
    mkdir("/run", 0755);
    char folder[] = "/run/quelix-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        error = std::string("no mount folder: ") + std::strerror(errno);
        return false;
    }
    unsigned long flags = MS_NOSUID | MS_NODEV | MS_NOEXEC | MS_NOATIME;
    if (request.readOnly)
        flags |= MS_RDONLY;
    if (mount(request.source.c_str(), folder, request.type.c_str(), flags,
              request.options.c_str()) != 0) {
        error = "mounting " + request.source + " failed: " + std::strerror(errno);
        rmdir(folder);
        return false;
    }
    const bool written = write(folder);
    if (umount2(folder, 0) != 0) {
        error = "unmounting " + request.source + " failed: " + std::strerror(errno);
        return false;
    }
    rmdir(folder);
    return written;
}

bool WriteNewFile(const std::string& folder, const std::string& name, const std::string& text,
                  std::string& error) {
    const std::string path = folder + "/" + name;
    wizard::UniqueFd fd(
        open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd) {
        error = name + ": " + std::strerror(errno);
        return false;
    }
    errno = 0;
    if (!platform::WriteAll(fd.get(), text.data(), text.size())) {
        error = name + ": " + std::strerror(errno != 0 ? errno : EIO);
        return false;
    }
    if (fsync(fd.get()) != 0) {
        error = name + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string ResolveHost(const std::string& host) {
    in6_addr v6{};
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1 || inet_pton(AF_INET6, host.c_str(), &v6) == 1)
        return host;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        return {};
    char text[INET6_ADDRSTRLEN] = {};
    const void* address =
        found->ai_family == AF_INET
            ? static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr)
            : static_cast<const void*>(&reinterpret_cast<sockaddr_in6*>(found->ai_addr)->sin6_addr);
    inet_ntop(found->ai_family, address, text, sizeof text);
    freeaddrinfo(found);
    return text;
}

}  // namespace wiper

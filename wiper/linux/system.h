// What the wiping program needs from the Linux system besides the drives:
// random keys, the operator's shell and mounting a volume or a share to write the
// log file. Called from the program's main thread, except RandomKeyFromSystem
// (any thread).
#pragma once

#include <functional>
#include <string>

#include "wiper/pass_data.h"
#include "wiper/share_mount.h"

namespace wiper {

// A key and nonce from getrandom(2); false when the kernel gives none.
bool RandomKeyFromSystem(RandomKey& key);

// Runs /bin/sh on the terminal given (standard input, output and error) and
// waits for it.
void RunOperatorShell(int terminal);

// Mounts source (read-write unless readOnly) on a fresh folder below /run,
// calls write(folder), and unmounts again. False with a message when the
// mount fails.
bool WithMounted(const MountRequest& request, const std::function<bool(const std::string&)>& write,
                 std::string& error);

// Writes text to folder/name as a new file (never replacing one, never
// following a link) and makes it durable; false with a message.
bool WriteNewFile(const std::string& folder, const std::string& name, const std::string& text,
                  std::string& error);

// The IPv4 or IPv6 address of a host name (or the address itself); empty when
// it cannot be resolved.
std::string ResolveHost(const std::string& host);

}  // namespace wiper

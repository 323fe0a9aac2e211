#include "wizard/app/cli/file_manager.h"

#include <cstdlib>

#include "platform/process.h"
#include "platform/text.h"

namespace wizard::cli {

std::string FileUri(const std::string& absolutePath) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : absolutePath) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

bool ShowInFileManager(const std::string& path) {
    if (path.empty() || path[0] != '/')
        return false;
    // The URI has no blanks, quotes or shell characters, so it needs no
    // quoting; the reply is not the user's business.
    const std::string command =
        "sh -c \"dbus-send --session --print-reply --dest=org.freedesktop.FileManager1 "
        "--type=method_call /org/freedesktop/FileManager1 "
        "org.freedesktop.FileManager1.ShowItems array:string:" +
        FileUri(path) + " string: >/dev/null 2>&1\"";
    platform::Process process;
    if (process.Start(platform::FromUtf8(command)) != 0)
        return false;
    if (process.Wait(5000) != platform::WaitResult::Exited) {
        process.Kill();
        return false;
    }
    uint32_t code = 1;
    return process.ExitCode(code) && code == 0;
}

}  // namespace wizard::cli

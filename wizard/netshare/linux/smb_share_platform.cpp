#include "wizard/netshare/linux/smb_share_platform.h"

#include <fcntl.h>
#include <ifaddrs.h>
#include <libsmbclient.h>
#include <net/if.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "wizard/netshare/share_url.h"

namespace wizard::netshare {
namespace {

// libsmbclient copies credentials into buffers of this many bytes.
constexpr size_t kCredentialBytes = 255;

struct Credentials {
    std::string workgroup, user, password;
};

struct ContextDeleter {
    void operator()(SMBCCTX* context) const { smbc_free_context(context, 1); }
};
using Context = std::unique_ptr<SMBCCTX, ContextDeleter>;

void Copy(const std::string& text, char* buffer, int size) {
    if (size > 0)
        std::snprintf(buffer, static_cast<size_t>(size), "%s", text.c_str());
}

void GiveCredentials(SMBCCTX* context, const char*, const char*, char* workgroup, int workgroupSize,
                     char* user, int userSize, char* password, int passwordSize) {
    const auto* credentials = static_cast<const Credentials*>(smbc_getOptionUserData(context));
    Copy(credentials->workgroup, workgroup, workgroupSize);
    Copy(credentials->user, user, userSize);
    Copy(credentials->password, password, passwordSize);
}

// Whether any network interface is up. libsmbclient ends the whole process
// when it finds none, so a check on such a machine never reaches it: no
// server can answer there anyway.
bool AnyInterfaceUp() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool up = false;
    for (const ifaddrs* entry = list; entry != nullptr && !up; entry = entry->ifa_next)
        up = (entry->ifa_flags & IFF_UP) != 0 && entry->ifa_addr != nullptr &&
             (entry->ifa_addr->sa_family == AF_INET || entry->ifa_addr->sa_family == AF_INET6);
    freeifaddrs(list);
    return up;
}

// A context that answers every server with `credentials` (empty: anonymous).
Context NewContext(const Credentials& credentials, std::chrono::milliseconds timeout) {
    if (!AnyInterfaceUp())
        return nullptr;
    Context context(smbc_new_context());
    if (!context)
        return nullptr;
    smbc_setDebug(context.get(), 0);
    smbc_setTimeout(context.get(), static_cast<int>(timeout.count()));
    smbc_setOptionUserData(context.get(), const_cast<Credentials*>(&credentials));
    smbc_setFunctionAuthDataWithContext(context.get(), GiveCredentials);
    smbc_setOptionUseCCache(context.get(), 0);
    // A refused account must not quietly become an anonymous session.
    smbc_setOptionNoAutoAnonymousLogin(context.get(), credentials.user.empty() ? 0 : 1);
    if (!smbc_init_context(context.get()))
        return nullptr;
    return context;
}

// Opens a folder (or learns that the address names a file); 0 or an errno.
int OpenFolder(SMBCCTX* context, const std::string& url) {
    errno = 0;
    SMBCFILE* folder = smbc_getFunctionOpendir(context)(context, url.c_str());
    if (folder == nullptr)
        return errno != 0 ? errno : EIO;
    smbc_getFunctionClosedir(context)(context, folder);
    return 0;
}

bool Refused(int error) {
    return error == EACCES || error == EPERM;
}

class SmbAccess : public ShareAccess {
  public:
    SmbAccess(std::unique_ptr<Credentials> credentials, Context context)
        : credentials_(std::move(credentials)), context_(std::move(context)) {}
    ~SmbAccess() override { context_.reset(); }  // before the credentials it points to

    CreateStatus CreateNewFile(const WString& path) override {
        const auto url = ShareUrl(path);
        if (!url)
            return CreateStatus::Failed;
        SMBCCTX* c = context_.get();
        errno = 0;
        SMBCFILE* file =
            smbc_getFunctionOpen(c)(c, url->c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (file == nullptr)
            return errno == EEXIST || errno == EISDIR ? CreateStatus::Exists : CreateStatus::Failed;
        smbc_getFunctionClose(c)(c, file);
        return CreateStatus::Created;
    }

    bool RemoveFile(const WString& path) override {
        const auto url = ShareUrl(path);
        SMBCCTX* c = context_.get();
        return url && smbc_getFunctionUnlink(c)(c, url->c_str()) == 0;
    }

  private:
    std::unique_ptr<Credentials> credentials_;
    Context context_;
};

}  // namespace

bool SmbSharePlatform::PathExists(const WString& path) {
    const auto url = ShareUrl(path);
    if (!url)
        return false;
    const Credentials anonymous;
    Context context = NewContext(anonymous, timeout_);
    if (!context)
        return false;
    const int error = OpenFolder(context.get(), *url);
    return error == 0 || error == ENOTDIR || Refused(error);
}

std::unique_ptr<ShareAccess> SmbSharePlatform::OwnAccess(const WString&) {
    auto credentials = std::make_unique<Credentials>();
    Context context = NewContext(*credentials, timeout_);
    if (!context)
        return nullptr;
    return std::make_unique<SmbAccess>(std::move(credentials), std::move(context));
}

LogonResult SmbSharePlatform::LogOn(const ShareAccount& account, const WString& share) {
    auto credentials = std::make_unique<Credentials>(
        Credentials{platform::ToUtf8(account.domain), platform::ToUtf8(account.user),
                    platform::ToUtf8(account.password)});
    if (credentials->user.empty() || credentials->workgroup.size() > kCredentialBytes ||
        credentials->user.size() > kCredentialBytes ||
        credentials->password.size() > kCredentialBytes)
        return {LogonStatus::Refused, nullptr};  // never cut: it would be another account
    const auto shareUrl = ShareUrl(share);
    const auto serverUrl = ServerUrl(share);
    if (!shareUrl || !serverUrl)
        return {LogonStatus::Refused, nullptr};
    Context context = NewContext(*credentials, timeout_);
    if (!context)
        return {LogonStatus::Refused, nullptr};
    // The share itself first; when it refuses, the server's list of shares
    // tells a refused account from an account the share does not admit
    // (which the write test then reports).
    if (Refused(OpenFolder(context.get(), *shareUrl)) &&
        Refused(OpenFolder(context.get(), *serverUrl)))
        return {LogonStatus::Refused, nullptr};
    return {LogonStatus::Ok,
            std::make_unique<SmbAccess>(std::move(credentials), std::move(context))};
}

}  // namespace wizard::netshare

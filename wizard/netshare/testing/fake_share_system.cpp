#include "wizard/netshare/testing/fake_share_system.h"

#include "platform/text.h"

namespace wizard::netshare::testing {

using namespace std::chrono_literals;

std::string Utf8(const WString& text) {
    return platform::ToUtf8(text);
}

void Journal::Add(std::string entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(std::move(entry));
}

std::vector<std::string> Journal::Entries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
}

class FakeSemaphore : public PopupSemaphore {
  public:
    explicit FakeSemaphore(FakePopupSystem& system) : system_(system) {}
    void Release() override {
        std::lock_guard<std::mutex> lock(system_.mutex_);
        count_ = std::min(count_ + 1, 1);
        system_.changed_.notify_all();
    }
    bool Wait(std::optional<std::chrono::milliseconds> timeout) override {
        std::unique_lock<std::mutex> lock(system_.mutex_);
        if (timeout) {
            system_.delays.push_back(*timeout);
            system_.changed_.wait(lock, [&] { return count_ > 0 || system_.elapsed_; });
            const bool released = count_ > 0 && !system_.elapsed_ && !system_.timeoutWinsRace;
            if (released)
                --count_;
            system_.decided_ = true;
            system_.changed_.notify_all();
            return released;
        }
        system_.changed_.wait(lock, [&] { return count_ > 0; });
        --count_;
        return true;
    }

  private:
    FakePopupSystem& system_;
    int count_ = 0;  // the control block's semaphore: count 0, maximum 1
};

class FakePopup : public PopupWindow {
  public:
    explicit FakePopup(FakePopupSystem& system) : system_(system) {}
    ~FakePopup() override {
        {
            std::lock_guard<std::mutex> lock(system_.mutex_);
            system_.onScreen_ = false;
        }
        system_.journal_.Add("popup removed");
    }

  private:
    FakePopupSystem& system_;
};

std::unique_ptr<PopupSemaphore> FakePopupSystem::NewSemaphore() {
    std::lock_guard<std::mutex> lock(mutex_);
    elapsed_ = decided_ = false;
    return std::make_unique<FakeSemaphore>(*this);
}

std::unique_ptr<PopupWindow> FakePopupSystem::ShowPopup() {
    journal_.Add("popup shown");
    std::lock_guard<std::mutex> lock(mutex_);
    ++shown;
    onScreen_ = true;
    changed_.notify_all();
    return std::make_unique<FakePopup>(*this);
}

bool FakePopupSystem::Elapse() {
    std::unique_lock<std::mutex> lock(mutex_);
    elapsed_ = true;
    changed_.notify_all();
    // The popup thread decides after its timed wait and shows the popup
    // while the flag is set; a generous deadline, never a fixed pause.
    changed_.wait_for(lock, 30s, [&] { return decided_ && onScreen_; });
    return onScreen_;
}

bool FakePopupSystem::OnScreen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return onScreen_;
}

void FakeShareMessages::Record(const std::string& entry) {
    if (popups_ && popups_->OnScreen())
        shownOverPopup = true;
    texts.push_back(entry.substr(entry.find(' ') + 1));
    journal_.Add(entry);
}

void FakeShareMessages::Tell(const WString& text, MessageKind) {
    Record("tell " + Utf8(text));
}

bool FakeShareMessages::Ask(const WString& text, Question) {
    Record("ask " + Utf8(text));
    if (answers.empty())
        return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
}

class FakeAccess : public ShareAccess {
  public:
    FakeAccess(FakeSharePlatform& platform, std::string identity)
        : platform_(platform), identity_(std::move(identity)) {}
    ~FakeAccess() override { platform_.journal_.Add("end " + identity_); }
    CreateStatus CreateNewFile(const WString& path) override {
        platform_.Busy();
        const std::string name = Utf8(path);
        platform_.journal_.Add("create " + name);
        if (platform_.files.count(name))
            return CreateStatus::Exists;
        if (platform_.createFails)
            return CreateStatus::Failed;
        platform_.files.insert(name);
        return CreateStatus::Created;
    }
    bool RemoveFile(const WString& path) override {
        const std::string name = Utf8(path);
        platform_.journal_.Add("remove " + name);
        return platform_.files.erase(name) == 1;
    }

  private:
    FakeSharePlatform& platform_;
    std::string identity_;
};

bool FakeSharePlatform::PathExists(const WString& path) {
    Busy();
    journal_.Add("exists " + Utf8(path));
    return exists;
}

std::unique_ptr<ShareAccess> FakeSharePlatform::OwnAccess(const WString&) {
    return std::make_unique<FakeAccess>(*this, "own");
}

LogonResult FakeSharePlatform::LogOn(const ShareAccount& account, const WString&) {
    Busy();
    const std::string who = Utf8(account.domain) + "|" + Utf8(account.user);
    journal_.Add("logon " + who + "|" + Utf8(account.password));
    if (logon != LogonStatus::Ok)
        return {logon, nullptr};
    return {LogonStatus::Ok, std::make_unique<FakeAccess>(*this, "logon " + who)};
}

}  // namespace wizard::netshare::testing

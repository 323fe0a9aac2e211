// Fakes for the share check's tests: a share platform, a popup system whose
// 2000 ms delay passes only when the test says so, and message boxes answered
// from a script. All of them write one journal, so a test sees the order of
// calls across the check's thread and the popup thread.
#pragma once

#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "wizard/netshare/share_check.h"
#include "wizard/netshare/thread_popup_system.h"

namespace wizard::netshare::testing {

std::string Utf8(const WString& text);

class Journal {
  public:
    void Add(std::string entry);
    std::vector<std::string> Entries() const;

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

// The delay passes when Elapse() is called (or at once when `slow` is set
// before the check); a release always ends a wait.
class FakePopupSystem : public ThreadPopupSystem {
  public:
    explicit FakePopupSystem(Journal& journal) : journal_(journal) {}
    std::unique_ptr<PopupSemaphore> NewSemaphore() override;
    std::unique_ptr<PopupWindow> ShowPopup() override;

    // Lets the delay of the running popup pass and waits (up to a generous
    // deadline) until the popup thread has decided; true when the popup is
    // on screen afterwards.
    bool Elapse();
    // Makes a timed wait end as timed out even when it was released: the
    // delay and Stop meet.
    bool timeoutWinsRace = false;

    bool OnScreen() const;
    int shown = 0;                                  // popups shown so far
    std::vector<std::chrono::milliseconds> delays;  // timeouts of the timed waits

  private:
    friend class FakeSemaphore;
    friend class FakePopup;
    Journal& journal_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool elapsed_ = false;
    bool decided_ = false;
    bool onScreen_ = false;
};

// Message boxes: records each with whether a popup was on screen, answers Yes
// or No from `answers` (No when none is left).
class FakeShareMessages : public ShareMessages {
  public:
    FakeShareMessages(Journal& journal, const FakePopupSystem* popups)
        : journal_(journal), popups_(popups) {}
    void Tell(const WString& text, MessageKind kind) override;
    bool Ask(const WString& text, Question question) override;

    std::deque<bool> answers;
    std::vector<std::string> texts;
    bool shownOverPopup = false;  // a message appeared while the popup was up

  private:
    void Record(const std::string& entry);
    Journal& journal_;
    const FakePopupSystem* popups_;
};

// A share: whether it exists, how a logon ends, which files are there.
class FakeSharePlatform : public SharePlatform {
  public:
    explicit FakeSharePlatform(Journal& journal) : journal_(journal) {}
    bool PathExists(const WString& path) override;
    std::unique_ptr<ShareAccess> OwnAccess(const WString& share) override;
    LogonResult LogOn(const ShareAccount& account, const WString& share) override;

    bool exists = true;
    LogonStatus logon = LogonStatus::Ok;
    bool createFails = false;
    std::set<std::string> files;  // files on the share, by full path (UTF-8)
    // Called at the start of every platform call: a slow network lets the
    // popup's delay pass here.
    std::function<void()> busy;

  private:
    friend class FakeAccess;
    void Busy() {
        if (busy)
            busy();
    }
    Journal& journal_;
};

}  // namespace wizard::netshare::testing

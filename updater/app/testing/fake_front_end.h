// Test fakes of the update flow's front end: downloads that write scripted
// bytes (or fail with a scripted code) per file name, message boxes and
// questions with scripted answers, and a restart that only counts. Every call
// is recorded for the test to check.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "testsupport/scratch_folder.h"
#include "updater/app/update_front_end.h"
#include "updater/install/restart.h"
#include "updater/support/testing/message_recorder.h"

namespace updater::testing {

struct ScriptedDownload {
    int32_t result = 0;  // 0: the bytes are written to the destination
    std::string bytes;
};

struct DownloadCall {
    DownloadSite site;
    std::string fileName;
    platform::WString destination;
};

// Message boxes: a Yes/No box takes the next scripted answer (kAnswerNo when
// none is left); any other box answers OK.
class ScriptedMessages : public MessageRecorder {
  public:
    int Show(platform::WStringView text, platform::WStringView caption, unsigned style) override {
        MessageRecorder::Show(text, caption, style);
        if ((style & kMessageYesNo) == 0)
            return kMessageAnswerOk;
        if (answers.empty())
            return kAnswerNo;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<int> answers;
};

class ScriptedRestartQuestion : public RestartQuestion {
  public:
    int Ask(void*, platform::WStringView title, platform::WStringView product) override {
        asked.push_back({platform::WString(title), platform::WString(product)});
        return answer;
    }
    int answer = kRestartNow;
    std::vector<std::pair<platform::WString, platform::WString>> asked;
};

class CountingRestart : public SystemRestart {
  public:
    bool RequestRestart(void*) override {
        ++requests;
        return true;
    }
    int requests = 0;
};

struct DownloadQuestion {
    platform::WString text;
    platform::WString caption;
    platform::WString releaseNotesUrl;
};

// A path as the test named it: a file reached through a held folder
// (/proc/self/fd/<n>/<name> on Linux) by the folder's own path.
inline platform::WString NamedPath(platform::WStringView path) {
#ifndef _WIN32
    const std::string narrow = platform::ToUtf8(path);
    const std::string held = "/proc/self/fd/";
    const size_t slash = narrow.find('/', held.size());
    std::error_code error;
    if (narrow.compare(0, held.size(), held) == 0 && slash != std::string::npos) {
        const auto folder = std::filesystem::read_symlink(narrow.substr(0, slash), error);
        if (!error)
            return platform::FromUtf8(folder.string() + narrow.substr(slash));
    }
#endif
    return platform::WString(path);
}

class FakeFrontEnd : public UpdateFrontEnd {
  public:
    // Per file name (as the site names it); a name without a script fails
    // with kUnscriptedDownload.
    static constexpr int32_t kUnscriptedDownload = -14;
    std::map<std::string, ScriptedDownload, std::less<>> downloads;
    std::vector<DownloadCall> downloadCalls;  // destinations as NamedPath gives them
    // Runs at each download, as the window's controls may while a check runs.
    std::function<void()> onDownload;

    ScriptedMessages messages;
    platform::WString ownerTitle;  // empty: no owner window

    int downloadAnswer = kAnswerYes;
    std::vector<DownloadQuestion> downloadQuestions;

    ScriptedRestartQuestion restart;

    int32_t Download(const DownloadSite& site, std::string_view fileName,
                     platform::WStringView destination) override {
        downloadCalls.push_back({site, std::string(fileName), NamedPath(destination)});
        if (onDownload)
            onDownload();
        const auto found = downloads.find(fileName);
        if (found == downloads.end())
            return kUnscriptedDownload;
        if (found->second.result == 0)
            qo::test::WriteFileBytes(destination, found->second.bytes);
        return found->second.result;
    }
    MessageOwner& Messages() override { return messages; }
    platform::WString OwnerTitle() override { return ownerTitle; }
    int AskDownload(platform::WStringView text, platform::WStringView caption,
                    platform::WStringView releaseNotesUrl) override {
        downloadQuestions.push_back({platform::WString(text), platform::WString(caption),
                                     platform::WString(releaseNotesUrl)});
        return downloadAnswer;
    }
    RestartQuestion& Restart() override { return restart; }
    void* OwnerWindow() override { return nullptr; }

    // The file names downloaded, in order.
    std::vector<std::string> DownloadedNames() const {
        std::vector<std::string> names;
        for (const DownloadCall& call : downloadCalls)
            names.push_back(call.fileName);
        return names;
    }
};

}  // namespace updater::testing

// Where the updater's portable modules show a message: the window that owns
// the message box. Windows: WindowMessageOwner wraps a window handle and shows
// the box with the language's reading direction; the Linux command line writes
// the caption and the text to standard error; tests record what was shown.
//
// A MessageOwner is called on the thread that runs the operation reporting
// the message (the interface thread or the download worker).
#pragma once

#include "platform/text.h"

namespace updater {

// Message box style numbers, as the system's.
constexpr unsigned kMessageOk = 0x0;
constexpr unsigned kMessageErrorIcon = 0x10;
// The answer of a box that only informs.
constexpr int kMessageAnswerOk = 1;

class MessageOwner {
  public:
    virtual ~MessageOwner() = default;
    // Shows text under caption with the given style; returns the button chosen.
    virtual int Show(platform::WStringView text, platform::WStringView caption, unsigned style) = 0;
};

// A message box owned by a window (a window handle; null or not a window: the
// box belongs to no window). On Linux the message goes to standard error.
class WindowMessageOwner : public MessageOwner {
  public:
    explicit WindowMessageOwner(void* window = nullptr) : window_(window) {}
    int Show(platform::WStringView text, platform::WStringView caption, unsigned style) override;

  private:
    [[maybe_unused]] void* window_;  // the command line has no windows
};

// The owner of messages that belong to no window.
MessageOwner& UnownedMessages();

}  // namespace updater

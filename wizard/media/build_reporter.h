// BuildReporter: what a medium build shows the user. The progress page (Windows)
// and the terminal front end (Linux) implement it.
//
// Called on the build worker thread. Implementations marshal to their own
// interface thread as needed; ShowError and ShowMessage return when the user
// has seen the message (a message box was closed, a line was printed).
#pragma once

#include "platform/text.h"

namespace wizard {

class BuildReporter {
  public:
    virtual ~BuildReporter() = default;
    // The step text and the progress position (0-100).
    virtual void ShowStep(const platform::WString& text, int position) = 0;
    // An error message given by its string id (150-153 and the USB messages),
    // with the caption "Quelix Omnisweep" and an error icon.
    virtual void ShowError(int stringId) = 0;
    // Any other message box a builder shows (caption, text).
    virtual void ShowMessage(const platform::WString& caption, const platform::WString& text) = 0;
    // A question with Yes and No buttons (caption, text); true for Yes. A
    // reporter that cannot ask answers No, so nothing is overwritten unasked.
    virtual bool AskYesNo(const platform::WString& caption, const platform::WString& text) {
        (void)caption;
        (void)text;
        return false;
    }
};

}  // namespace wizard

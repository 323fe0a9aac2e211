// Test helper: a MessageOwner that records every message instead of showing it.
#pragma once

#include <vector>

#include "updater/support/message_owner.h"

namespace updater::testing {

struct ShownMessage {
    platform::WString text;
    platform::WString caption;
    unsigned style = 0;
};

class MessageRecorder : public MessageOwner {
  public:
    int Show(platform::WStringView text, platform::WStringView caption, unsigned style) override {
        shown.push_back({platform::WString(text), platform::WString(caption), style});
        return kMessageAnswerOk;
    }
    std::vector<ShownMessage> shown;
};

}  // namespace updater::testing

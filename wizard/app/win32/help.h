// The help file "iso_conf.chm" beside the program, opened at a topic on a
// short-lived thread so that the page does not wait. A missing help file or
// viewer is silent. Interface thread.
#pragma once

#include "platform/text.h"

namespace wizard::win32 {

void OpenHelpTopic(const platform::WString& topic);

}  // namespace wizard::win32

#pragma once
// Looking at another program's windows on the X server, as a user would
// find them: by title.

#include <optional>
#include <string>

#include "platform/display_device.h"

namespace zelkor::testing {

// Where the viewable top-level window titled `title` lies on the X server
// that DISPLAY names; nothing when there is none.
std::optional<platform::DisplayRect> findTopLevelWindow(const std::string& title);

}  // namespace zelkor::testing

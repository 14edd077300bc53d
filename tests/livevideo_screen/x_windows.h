#pragma once
// Looking at another program's windows on the X server, as a user would
// find them: by title.

#include <optional>
#include <string>

namespace zelkor::testing {

struct ScreenArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Where the viewable top-level window titled `title` lies on the X server
// that DISPLAY names; nothing when there is none.
std::optional<ScreenArea> findTopLevelWindow(const std::string& title);

}  // namespace zelkor::testing

#include "platform/ui.h"

#include <cstdlib>
#include <cstring>

namespace zelkor::platform {

int defaultAnswer(uint32_t style) {
    const bool second = (style & mb::DEFBUTTON2) != 0;
    switch (style & mb::ButtonMask) {
        case mb::OKCANCEL:
            return second ? answer::CANCEL : answer::OK;
        case mb::YESNO:
            return second ? answer::NO : answer::YES;
        default:
            return answer::OK;
    }
}

bool consoleUiRequested() {
    const char* mode = std::getenv("ZELKOR_UI");
    return mode != nullptr && std::strcmp(mode, "console") == 0;
}

}  // namespace zelkor::platform

#include <cstdlib>

#include "platform/qt/services.h"

namespace zelkor::platform {

namespace {
bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}
}  // namespace

bool hasScreen() {
    return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

std::unique_ptr<QApplication> startGuiApplication(int& argc, char** argv) {
    if (consoleUiRequested() || !hasScreen()) {
        return nullptr;
    }
    return std::make_unique<QApplication>(argc, argv);
}

}  // namespace zelkor::platform

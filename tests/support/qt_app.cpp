#include "tests/support/qt_app.h"

// The font library keeps a cache for the life of the process, and the D-Bus
// library a buffer of the connection the X11 platform opens.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libdbus-1\n";
}

namespace zelkor::testing {

QApplication& qtApp() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "zelkor_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own globals may already be gone, and
    // taking the application down after them crashes.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace zelkor::testing

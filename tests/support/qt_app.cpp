#include "tests/support/qt_app.h"

#include <QElapsedTimer>
#include <chrono>
#include <thread>

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

void processEventsFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace zelkor::testing

#include "platform/qt/event_loop_wait.h"

#include <QEventLoop>
#include <QSocketNotifier>

namespace zelkor::platform {

bool WaitReadableInEventLoop(int fd) {
    QEventLoop loop;
    QSocketNotifier notifier(fd, QSocketNotifier::Read);
    bool readable = false;
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        readable = true;
        notifier.setEnabled(false);
        loop.exit();
    });
    // The application's exit ends every loop of the thread, this one too,
    // and keeps a new one from running until the application loop runs
    // again: then nothing was read.
    loop.exec();
    return readable;
}

}  // namespace zelkor::platform

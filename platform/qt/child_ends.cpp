#include <QSocketNotifier>

#include "platform/qt/services.h"

namespace zelkor::platform {

std::unique_ptr<QObject> watchChildEnds(Processes& processes) {
    const int descriptor = processes.endedDescriptor();
    if (descriptor < 0) {
        return nullptr;
    }
    auto notifier = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                     [&processes] { processes.reapEnded(); });
    return notifier;
}

}  // namespace zelkor::platform

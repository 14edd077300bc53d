// sendcommand CLASS ID: hands a command id to the running program of a
// window class, as any other program may ("sendcommand ZelkorVorrak 40004"
// ends Vorrak the normal way).
//   exit 0  delivered
//   exit 1  no program of that class is running
//   exit 2  bad arguments, or the command could not be handed over (the
//           program takes none, the runtime folder is refused): the reason
//           is printed

#include <cstdio>
#include <string>

#include "platform/instance.h"
#include "platform/text.h"

int main(int argc, char** argv) {
    using zelkor::platform::Delivery;
    constexpr int kDelivered = 0;
    constexpr int kNotRunning = 1;
    constexpr int kNotHandedOver = 2;
    // A program busy with a long step takes its commands a little later;
    // each try waits a second for room in its queue.
    constexpr int kTries = 3;
    const auto id = argc == 3 ? zelkor::platform::parseDecimal(argv[2]) : std::nullopt;
    if (!id || !zelkor::platform::validClassName(argv[1])) {
        std::fprintf(
            stderr,
            "usage: sendcommand CLASS ID\n"
            "  CLASS  a window class, such as ZelkorVorrak (ZelkorVorrak.NAME: station NAME)\n"
            "  ID     a command id, 0 to 4294967295 (40004 ends Vorrak)\n");
        return kNotHandedOver;
    }
    const auto instances =
        zelkor::platform::makeInstances(zelkor::platform::defaultInstanceDirectory());
    std::string reason;
    Delivery delivery = Delivery::Busy;
    for (int i = 0; i < kTries && delivery == Delivery::Busy; ++i) {
        delivery = instances->deliver(argv[1], *id, &reason);
    }
    switch (delivery) {
        case Delivery::Delivered:
            return kDelivered;
        case Delivery::NotRunning:
            std::fprintf(stderr, "sendcommand: no program of class %s is running\n", argv[1]);
            return kNotRunning;
        default:
            std::fprintf(stderr, "sendcommand: command %s not handed over: %s\n", argv[2],
                         reason.c_str());
            return kNotHandedOver;
    }
}

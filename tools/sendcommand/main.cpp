// sendcommand CLASS ID: hands a command id to the running program of a
// window class, as any other program may ("sendcommand ZelkorVorrak 40004"
// ends Vorrak the normal way).
//   exit 0  delivered
//   exit 1  no program of that class is running
//   exit 2  bad arguments

#include <cstdio>
#include <string>

#include "platform/instance.h"
#include "platform/text.h"

int main(int argc, char** argv) {
    constexpr int kDelivered = 0;
    constexpr int kNotRunning = 1;
    constexpr int kUsage = 2;
    const auto id = argc == 3 ? zelkor::platform::parseDecimal(argv[2]) : std::nullopt;
    if (!id || !zelkor::platform::validClassName(argv[1])) {
        std::fprintf(stderr,
                     "usage: sendcommand CLASS ID\n"
                     "  CLASS  a window class, such as ZelkorVorrak\n"
                     "  ID     a command id, 0 to 4294967295 (40004 ends Vorrak)\n");
        return kUsage;
    }
    const auto instances =
        zelkor::platform::makeInstances(zelkor::platform::defaultInstanceDirectory());
    if (!instances->send(argv[1], *id)) {
        std::fprintf(stderr, "sendcommand: no program of class %s is running\n", argv[1]);
        return kNotRunning;
    }
    return kDelivered;
}

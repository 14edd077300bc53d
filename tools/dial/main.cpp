// dial [--station NAME] [EVENT]: rings the stored telephone number through an AT modem, so
// that someone hears of the event Vorrak raised. The number, the modem and
// how long it rings come from the settings store.

#include <unistd.h>

#include <csignal>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/station.h"
#include "tools/companions/companion_run.h"
#include "tools/companions/companion_values.h"
#include "tools/dial/modem_dialogue.h"
#include "tools/dial/phone_number.h"
#include "tools/dial/serial_line.h"

namespace {

using namespace zelkor;

constexpr int kStepTimeoutMs = 15000;

int stop(int code, const std::string& reason) {
    return tools::EndWith("dial", code, reason);
}

}  // namespace

int main(int argc, char** argv) {
    std::string station;
    std::string stationError;
    if (!platform::takeStationArgument(argc, argv, &station, &stationError)) {
        return stop(tools::kExitRefused, stationError);
    }
    const std::string storePath = platform::stationRegistryPath(station);
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (!tools::ParseEventArgument(args).ok) {
        return stop(tools::kExitRefused,
                    "usage: dial [EVENT-NUMBER], with --station NAME for a station");
    }
    const auto registry = platform::openFileRegistry(storePath);
    tools::StoredValues values(*registry);
    if (!values.opened()) {
        return stop(tools::kExitRefused, "no settings in " + storePath + "; run VrakSetup first");
    }
    std::string error;
    const auto dialString = tools::DialString(values.text("PHONENUMBER"), &error);
    if (!dialString) {
        return stop(tools::kExitRefused, error);
    }
    // The table's range, not just its top: a ring time of 0 would hang up
    // at once and still report a placed call.
    const auto& ringEntry = *tools::FindStoredValue("RINGSECONDS");
    const uint32_t ringSeconds = values.number(ringEntry.name);
    if (!vorrak::InRange(ringEntry, ringSeconds)) {
        const bool tooShort = ringSeconds < ringEntry.minimum;
        return stop(tools::kExitRefused,
                    "RINGSECONDS is " + std::to_string(ringSeconds) +
                        (tooShort ? "; at least " + std::to_string(ringEntry.minimum)
                                  : "; at most " + std::to_string(ringEntry.maximum)));
    }
    const std::string device = values.text("MODEMDEVICE");
    // A modem adapter unplugged in mid-call must end the call with its
    // reason, not kill the dialer with SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);
    const int fd = tools::OpenModemLine(device, &error);
    if (fd < 0) {
        return stop(tools::kExitFailed, error);
    }
    tools::DialTiming timing;
    timing.stepTimeoutMs = tools::TimeoutFromEnvironment("ZELKOR_MODEM_TIMEOUT_MS", kStepTimeoutMs);
    timing.ringMs = int(ringSeconds) * 1000;
    const auto result = tools::PlaceCall(fd, *dialString, timing);
    ::close(fd);
    if (!result.ok) {
        return stop(tools::kExitFailed, result.reason);
    }
    return tools::kExitDone;
}

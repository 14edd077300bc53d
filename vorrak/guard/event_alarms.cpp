#include "vorrak/guard/event_alarms.h"

#include <string>

#include "vorrak/guard/event_history.h"

namespace zelkor::vorrak {

AlarmServices EventAlarms(Vorrak& v, VorrakServices& s, uint32_t eventNumber) {
    AlarmServices alarms = s.alarms();
    if (eventNumber == 0) {
        return alarms;
    }
    alarms.lateNote = [&guard = v.guard, &host = s.guardHost, eventNumber](std::string_view note) {
        if (guard.EventNumber < eventNumber ||
            guard.EventNumber - eventNumber >= kEventSlotCount - 1) {
            return;
        }
        AppendEventText(guard.eventSlots[EventSlotIndex(eventNumber)].description, note);
        host.refreshEventList(false);
    };
    return alarms;
}

void MailCommand(Vorrak& v, VorrakServices& s) {
    const uint32_t event = v.guard.EventNumber;
    std::string noEvent;
    std::string& description =
        event != 0 ? v.guard.eventSlots[v.guard.eventSlotIndex].description : noEvent;
    AlarmServices alarms = EventAlarms(v, s, event);
    const int started = LaunchMailer(v.companions, alarms, v.ProgramDir, 0, event,
                                     v.settings.PROCESSSTYLE, description);
    if (started == 0 && event != 0) {
        s.guardHost.refreshEventList(false);
    }
}

}  // namespace zelkor::vorrak

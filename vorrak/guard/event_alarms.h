#pragma once
// The alarm actions of an event: a failure of a program started for it
// that shows only once the program has ended still reaches its record.

#include <cstdint>

#include "vorrak/alarms/alarms.h"
#include "vorrak/state/vorrak.h"

namespace zelkor::vorrak {

// The alarm services for programs started for event `eventNumber` (0: no
// event yet). A late failure is noted in that event's slot while the slot
// still holds it (100 events later it is another event's), and the event
// list is refreshed. It reaches History.Log with the event's line only when
// that line is still to be written (a traced event): a written line stays
// as it is, Histran may have stored it already.
AlarmServices EventAlarms(Vorrak& v, VorrakServices& s, uint32_t eventNumber);

// Command 40073: the mailer without an event number. Its failures are noted
// in the current event, the one traced while tracing; before the first
// event only on stderr.
void MailCommand(Vorrak& v, VorrakServices& s);

}  // namespace zelkor::vorrak

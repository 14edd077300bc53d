#pragma once
// The one QApplication of a test program, made on first use, on the
// offscreen platform unless the environment names another.

#include <QApplication>

namespace zelkor::testing {

QApplication& qtApp();

// Runs the event loop for `ms` of real time, as a program on a real screen
// would, so windows get mapped, painted and moved meanwhile.
void processEventsFor(int ms);

}  // namespace zelkor::testing

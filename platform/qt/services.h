#pragma once
// The services that need the window system: Qt message boxes, timers and
// the watch of child ends on the Qt event loop, and the application object
// they run in.

#include <QApplication>
#include <memory>

#include "platform/process.h"
#include "platform/timers.h"
#include "platform/ui.h"

namespace zelkor::platform {

// A display server to show windows on, or a Qt platform named in
// QT_QPA_PLATFORM: without one of these Qt finds no platform and aborts.
bool hasScreen();

// The program's QApplication when there is a screen to show windows on (a
// display server, or a Qt platform named in QT_QPA_PLATFORM), else null: a
// program that only shows message boxes then runs headless with console
// boxes instead of aborting. With ZELKOR_UI=console no application is made.
std::unique_ptr<QApplication> startGuiApplication(int& argc, char** argv);

// ZELKOR_UI=console, or no QApplication: console boxes. Otherwise Qt
// message boxes.
std::unique_ptr<Ui> makeUi();

// Timers of the Qt event loop of the calling thread.
std::unique_ptr<Timers> makeQtTimers();

// Takes in the ends of `processes`' children on the Qt event loop of the
// calling thread, as they happen. Null when they have nothing to watch.
// Keep it while the loop runs, and no longer than `processes`.
std::unique_ptr<QObject> watchChildEnds(Processes& processes);

}  // namespace zelkor::platform

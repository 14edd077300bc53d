#pragma once
// Vorrak's process-wide state in one object, and the platform services it
// runs on in another. Each part of the program takes them, or the piece it
// needs, by reference; tests build fresh ones.

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/sound.h"
#include "platform/timers.h"
#include "platform/ui.h"
#include "vorrak/alarms/alarms.h"
#include "vorrak/capture/capture.h"
#include "vorrak/config/settings.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/guard/event_history.h"
#include "vorrak/guard/guard_host.h"
#include "vorrak/guard/guard_mode.h"
#include "vorrak/guard/guard_state.h"
#include "vorrak/livevideo/livevideo.h"

namespace zelkor::vorrak {

struct VorrakServices {
    platform::Registry& registry;
    platform::Ui& ui;
    platform::Clock& clock;
    platform::Timers& timers;
    platform::Processes& processes;
    platform::Sound& sound;
    GuardHost& guardHost;
    CaptureServices capture;
    // Reloading the settings (guard start) goes through this.
    SettingsHost settingsHost;

    AlarmServices alarms() { return {processes, ui, sound}; }
};

struct Vorrak {
    Settings settings;
    AccessControl access;
    RunOptions options;

    Capture capture;
    GuardFiles files;
    GuardState guard;
    GuardMode guardMode;
    HistoryLog history;
    // The current event's picture, handed to the mailer.
    std::string eventPicture;

    Companions companions;

    // The live picture, and the port parameters start-up fills for it.
    LiveVideo live;
    VideoPortParams videoPortParams;

    std::string ProgramDir;
    std::string HelpPath;
    uint32_t WindowsShown = 1;
};

}  // namespace zelkor::vorrak

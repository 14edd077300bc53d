#pragma once
// Vorrak's process-wide state in one object, and the platform services it
// runs on in another. Each part of the program takes them, or the piece it
// needs, by reference; tests build fresh ones.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/instance.h"
#include "platform/power.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/sound.h"
#include "platform/timers.h"
#include "platform/ui.h"
#include "vorrak/alarms/alarms.h"
#include "vorrak/capture/capture.h"
#include "vorrak/config/settings.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/detection/guard_mode.h"
#include "vorrak/detection/guard_state.h"
#include "vorrak/hardware/detection.h"
#include "vorrak/hardware/signal_watch.h"
#include "vorrak/livevideo/livevideo.h"
#include "vorrak/state/guard_host.h"
#include "vorrak/state/history_log.h"

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
    platform::Power& power;
    platform::Instances& instances;
    // The help page opens with the desktop's handler.
    platform::Shell& shell;
    // The station this Vorrak guards; empty for the default station.
    std::string station = {};

    AlarmServices alarms() { return {processes, ui, sound, {}, station}; }
};

// Region selection, which the guard engine runs with the main window.
struct RegionSelection {
    // 1 while the user drags: the main window then takes no command, shows
    // no popup menu and is not dragged, and paints the frozen picture.
    uint32_t regionMode = 0;
};

struct Vorrak {
    Settings settings;
    AccessControl access;
    RunOptions options;
    ToldOutOfRange toldOutOfRange;

    Capture capture;
    GuardFiles files;
    GuardState guard;
    GuardMode guardMode;
    RegionSelection regionSelection;
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

    // This run's hold on its window class: while it lives other programs
    // find Vorrak running and reach it with commands.
    std::unique_ptr<platform::InstanceClaim> instance;
    DisplayChipInfo chip;
    // Whether the start-up signal search found a picture.
    bool signalFound = false;
    // The signal as last read, by guard mode's scans or the panel's clock.
    SignalWatch signal;
    bool PowerOffWasActive = false;
    uint32_t AlwaysOnTop = 0;
};

}  // namespace zelkor::vorrak

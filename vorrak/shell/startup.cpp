#include "vorrak/shell/startup.h"

#include <filesystem>
#include <system_error>

#include "platform/station.h"
#include "vorrak/config/decoder_ini.h"
#include "vorrak/config/settings_store.h"
#include "vorrak/guard/detection_cycle.h"
#include "vorrak/guard/event_history.h"
#include "vorrak/hardware/picture_controls.h"
#include "vorrak/panel/skin.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {

constexpr size_t kCommandLineMax = 255;
constexpr int kSignalSearchAttempts = 2;
// The picture settles after a found signal before the windows come up.
constexpr uint32_t kSignalSettleMs = 500;

int refuse(VorrakServices& s, std::string_view text) {
    s.ui.messageBox(text, resources::kTitle, kVorrakBoxStyle);
    return 0;
}

bool directXInstalled(platform::Registry& registry) {
    const auto key = registry.openKey(resources::kDirectXKey, platform::RegAccess::Read);
    std::string version;
    if (!key || !platform::queryText(*key, resources::kDirectXVersionValue, kDirectXVersionSize,
                                     &version)) {
        return false;
    }
    return DirectXVersionNumber(version) >= kMinimumDirectXVersion;
}

// The power-off feature is touched only when it was on at start.
void restorePowerOff(Vorrak& v, VorrakServices& s, std::string_view failure) {
    if (v.PowerOffWasActive && !s.power.setPowerOffActive(true)) {
        s.ui.messageBox(failure, resources::kTitle, kVorrakBoxStyle);
    }
}

}  // namespace

PictureSettings PictureOf(const Settings& settings) {
    return {settings.BRIGHTNESS, settings.CONTRAST,       settings.SATURATION,
            settings.HUE,        settings.VIDEOCONNECTOR, settings.VIDEOSTANDARD};
}

void TakeInput(Settings& settings, const PictureSettings& picture) {
    settings.VIDEOCONNECTOR = picture.VIDEOCONNECTOR;
    settings.VIDEOSTANDARD = picture.VIDEOSTANDARD;
}

std::string ProgramDirFromCommandLine(std::string_view commandLine) {
    const std::string_view line = commandLine.substr(0, kCommandLineMax);
    const size_t slash = line.rfind('\\');
    if (slash == std::string_view::npos || slash == 0) {
        return "c:\\";
    }
    std::string_view dir = line.substr(0, slash);
    if (dir.starts_with('"')) {
        dir.remove_prefix(1);
    }
    return std::string(dir);
}

std::string HelpPathOf(std::string_view programDir, char separator) {
    std::string path(programDir);
    path += separator;
    for (const char c : kHelpPage) {
        path += c == '/' ? separator : c;
    }
    return path;
}

int DirectXVersionNumber(std::string_view text) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (text.size() < 4 || !digit(text[0]) || !digit(text[2]) || !digit(text[3])) {
        return -1;
    }
    return (text[0] - '0') * 100 + (text[2] - '0') * 10 + (text[3] - '0');
}

bool CheckStartup(Vorrak& v, VorrakServices& s, platform::Pci& pci) {
    DecoderBus& bus = s.capture.bus;
    DetectDisplayChip(pci, bus, v.chip);
    if (CheckDecoder(bus) != 1) {
        return refuse(s, DecoderMissingMessage);
    }
    // Claiming the class is the check: two starts at once cannot both pass.
    // A claim that fails for another reason must not pass for a running
    // Vorrak, nor be ignored: two programs would drive the card at once.
    std::string claimError;
    v.instance = s.instances.claim(platform::stationClass(kVorrakClass, s.station), &claimError);
    if (!v.instance) {
        return refuse(s, claimError.empty() ? std::string(kAnotherVorrakMessage)
                                            : std::string(kInstanceFaultMessage) + claimError);
    }
    std::string_view refusal;
    if (s.instances.exists(kLiveClass)) {
        refusal = kLiveRunningMessage;
    } else if (s.instances.exists(kRecorderClass)) {
        refusal = kRecorderRunningMessage;
    } else if (!directXInstalled(s.registry)) {
        refusal = kDirectXMessage;
    }
    if (!refusal.empty()) {
        v.instance.reset();
        return refuse(s, refusal);
    }
    return true;
}

bool PrepareRun(Vorrak& v, VorrakServices& s, LiveVideoSteps& live, const std::string& programDir,
                SplashScreen* splash) {
    DecoderBus& bus = s.capture.bus;
    if (splash != nullptr) {
        // The frame size is the splash picture's until the main window
        // sets the capture frame's.
        v.capture.FrameWidth = kSplashWidth;
        v.capture.FrameHeight = kSplashHeight;
        splash->show();
    }
    DecoderInit(bus);
    v.ProgramDir = programDir;
    v.HelpPath = HelpPathOf(programDir, '/');
    if (!LoadSettings(s.settingsHost, v.settings, v.access, v.options, &v.toldOutOfRange)) {
        return false;
    }
    InitGuardFiles(v.settings.WORKINGDIR, v.files, v.guard);
    if (!OpenHistoryLog(v.history, v.files.historyFile)) {
        return refuse(s, kHistoryOpenFailedMessage);
    }

    v.PowerOffWasActive = s.power.powerOffActive().value_or(false);
    if (v.PowerOffWasActive && !s.power.setPowerOffActive(false)) {
        s.ui.messageBox(kPowerOffNotOffMessage, resources::kTitle, kVorrakBoxStyle);
    }

    PictureSettings picture = PictureOf(v.settings);
    v.signalFound = false;
    for (int attempt = 0; attempt < kSignalSearchAttempts && !v.signalFound; ++attempt) {
        v.signalFound = SignalSearch(bus, picture) == 1;
    }
    if (v.signalFound) {
        TakeInput(v.settings, picture);
        // The picture comes from the input found, whatever the store held:
        // stored now, so that the settings reload of a guard start keeps the
        // input in use instead of bringing back one without a signal.
        SaveVideoSettings(s.registry, v.settings);
        s.clock.sleepMs(kSignalSettleMs);
        if (splash != nullptr) {
            splash->hide();
        }
    } else {
        if (splash != nullptr) {
            splash->hide();
        }
        if (v.settings.VIDEOSTANDARD >= uint32_t(StandardCount)) {
            v.settings.VIDEOSTANDARD = 0;
        }
        SelectStandard(bus, v.settings.VIDEOSTANDARD);
    }

    v.videoPortParams = MakeVideoPortParams(v.settings.VIDEOSTANDARD, v.chip);
    if (live.OpenDisplayDevice() == 0) {
        live.CloseLiveVideo();
        ReleaseRefusedStart(v, s);
        return false;
    }
    return true;
}

void ReleaseRefusedStart(Vorrak& v, VorrakServices& s) {
    DecoderOutputOff(s.capture.bus);
    restorePowerOff(v, s, kPowerOffNotOnMessage);
}

int ExitSequence(Vorrak& v, VorrakServices& s) {
    StopGuard(v, s, 1);
    if (v.history.open) {
        WriteEndOfWork(v.history, v.guard, s.clock);
        v.history.open = false;
    }
    SaveVideoSettings(s.registry, v.settings);
    WriteDecoderIni(s.capture.profile, v.settings);
    DecoderOutputOff(s.capture.bus);
    restorePowerOff(v, s, kPowerOffNotOnMessage);
    AlarmServices alarms = s.alarms();
    LaunchHistran(alarms, v.ProgramDir, v.settings.USEACCESS, v.guard.EventNumber);
    std::error_code ec;
    std::filesystem::remove(v.files.workFile0, ec);
    std::filesystem::remove(v.files.workFile1, ec);
    return 0;
}

void EndSession(Vorrak& v, VorrakServices& s, LiveVideoSteps& live) {
    // An object still traced ends here with its event's line: the line is
    // evidence, and the session's end must not cost it.
    StopGuard(v, s, 1);
    live.CloseLiveVideo();
    if (v.capture.window) {
        v.capture.window->driverDisconnect();
    }
    SaveVideoSettings(s.registry, v.settings);
    DecoderOutputOff(s.capture.bus);
    restorePowerOff(v, s, kPowerOffNotOnAtEndMessage);
}

}  // namespace zelkor::vorrak

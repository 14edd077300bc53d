#include "vorrak/guard/detection_cycle.h"

#include <cstdio>
#include <memory>

#include "vorrak/capture/recording.h"
#include "vorrak/detection/frame_bitmap.h"
#include "vorrak/guard/event_alarms.h"
#include "vorrak/guard/event_history.h"
#include "vorrak/guard/tracing.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {

constexpr uint32_t kBoxStyle = platform::mb::ICONHAND | platform::mb::TOPMOST;
constexpr uint32_t kSecondsPerDay = 86400;

std::string_view messageFor(uint32_t code) {
    switch (code) {
        case kFrameOpenFailed:
            return kSourceMissingMessage;
        case kFrameReadFailed:
            return kFileReadErrorMessage;
        case kFrameBadFormat:
            return kBitmapFormatMessage;
        case kGuardTimerFailed:
            return kTimerUsedOutMessage;
        default:
            return {};
    }
}

// Reads a work file into a frame of its own; the reader's code.
uint32_t readFrame(Vorrak& v, const std::string& path, FrameRef& out) {
    auto frame = std::make_shared<FrameImage>();
    const uint32_t code = ReadFrameBitmap(path, *frame, v.guard.lastFrame);
    if (code == kFrameReadOk) {
        out = std::move(frame);
    }
    return code;
}

std::string format(const char* pattern, auto... args) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

void announceScheduledStart(Vorrak& v, VorrakServices& s, uint32_t waitMs) {
    std::string text;
    if (v.settings.USESCHEDULE == 3) {
        text = format("Please wait, vorrak will start at %d:%d:%d (%d seconds later)",
                      int(v.settings.STARTHOUR), int(v.settings.STARTMINUTE),
                      int(v.settings.STARTSECOND), int(waitMs / 1000));
    } else {
        text = format("Please wait, vorrak will start at %d seconds later", int(waitMs / 1000));
    }
    const platform::CanvasRect rect{0, 0, int(v.capture.FrameWidth), int(v.capture.FrameHeight)};
    s.guardHost.mainWindowCanvas().drawText(text, rect, {}, kRed,
                                            platform::text_format::SingleLine);
}

}  // namespace

void DrawStatusText(platform::Canvas& canvas, const Capture& capture, std::string_view text,
                    uint32_t colour) {
    const platform::CanvasRect rect{10, 0, int(capture.FrameWidth), int(capture.FrameHeight)};
    canvas.drawText(text.substr(0, text.empty() ? 0 : text.size() - 1), rect, {}, colour,
                    platform::text_format::SingleLine);
}

void DrawRegionFrame(platform::Canvas& canvas, int32_t left, int32_t top, int32_t right,
                     int32_t bottom, bool tracing) {
    const uint32_t colour = tracing ? kYellow : kRed;
    canvas.drawLine(left, top, right, top, colour, kMarkWidth);
    canvas.drawLine(right, top, right, bottom, colour, kMarkWidth);
    canvas.drawLine(right, bottom, left, bottom, colour, kMarkWidth);
    canvas.drawLine(left, bottom, left, top, colour, kMarkWidth);
}

void WaitThen(Vorrak& v, VorrakServices& s, uint32_t waitMs, PendingStart what) {
    v.guardMode.pending = what;
    s.timers.setTimer(&v.guardMode, kWaitTimer, waitMs, [&v, &s] {
        s.timers.killTimer(&v.guardMode, kWaitTimer);
        const PendingStart pending = v.guardMode.pending;
        v.guardMode.pending = PendingStart::None;
        if (pending == PendingStart::Start) {
            s.guardHost.repaintMainWindow();
            // The driver may have gone while the start waited.
            if (v.capture.CaptureState != kCaptureConnected) {
                return;
            }
            StartGuard(v, s);
            s.guardHost.repaintControlPanel();
        } else if (pending == PendingStart::RearmOrStop) {
            RearmGuard(v, s, false);
        }
    });
}

uint32_t ScheduleDelay(platform::Clock& clock, uint32_t hour, uint32_t minute, uint32_t second) {
    const platform::LocalTime t = clock.localTime();
    const uint32_t now = uint32_t(t.hour) * 3600 + uint32_t(t.minute) * 60 + uint32_t(t.second);
    const uint32_t target = hour * 3600 + minute * 60 + second;
    const uint32_t wait = target >= now ? target - now : target + kSecondsPerDay - now;
    return wait * 1000;
}

void GuardCommand(Vorrak& v, VorrakServices& s) {
    GuardMode& g = v.guardMode;
    if (v.capture.CaptureState != kCaptureConnected || g.trace.tracing != 0 ||
        g.pending != PendingStart::None) {
        return;
    }
    if (g.active != 0) {
        if (v.access.PasswordRequired != 0) {
            if (s.guardHost.askPassword()) {
                StopGuard(v, s, 0);
                s.guardHost.repaintControlPanel();
            }
            return;
        }
        StopGuard(v, s, 0);
        s.guardHost.repaintControlPanel();
        return;
    }
    if (SetupWizardDone(v.companions) == 0) {
        s.ui.messageBox(kQuitSetupWizardMessage, resources::kTitle, kBoxStyle);
        return;
    }
    const uint32_t regionWasOn = v.settings.USEREGIONCOMPARE;
    if (!LoadSettings(s.settingsHost, v.settings, v.access, v.options, &v.toldOutOfRange)) {
        return;
    }
    if (regionWasOn != 0 && v.settings.USEREGIONCOMPARE == 0) {
        v.capture.region = {0, 0, int32_t(v.capture.FrameWidth), int32_t(v.capture.FrameHeight)};
    } else if (regionWasOn == 0 && v.settings.USEREGIONCOMPARE != 0) {
        const int answer = s.ui.messageBox(
            kNewRegionQuestion, resources::kTitle,
            platform::mb::YESNO | platform::mb::ICONQUESTION | platform::mb::TOPMOST);
        if (answer == platform::answer::YES) {
            s.guardHost.startRegionSelection();
            return;
        }
    }
    if (v.settings.USESCHEDULE == 2 || v.settings.USESCHEDULE == 3) {
        if (v.settings.USESCHEDULE == 3) {
            v.settings.DELAYTIME = ScheduleDelay(s.clock, v.settings.STARTHOUR,
                                                 v.settings.STARTMINUTE, v.settings.STARTSECOND);
        }
        const uint32_t wait = v.settings.DELAYTIME;
        announceScheduledStart(v, s, wait);
        WaitThen(v, s, wait, PendingStart::Start);
        return;
    }
    StartGuard(v, s);
    s.guardHost.repaintControlPanel();
}

void StartGuard(Vorrak& v, VorrakServices& s) {
    GuardMode& g = v.guardMode;
    g.active = 1;
    g.frameCounter = 0;
    g.drawing = true;
    v.guard.history = FrameHistory{};
    v.guard.tracingReference.reset();
    if (v.settings.RUNSTYLE == 3 || v.settings.RUNSTARTUP != 0) {
        s.guardHost.hideToTray();
        v.WindowsShown = 0;
    }
    BuildRegionMask(v.guard.compare, v.settings.USEREGIONCOMPARE != 0, v.capture.region,
                    v.capture.FrameWidth, v.capture.FrameHeight);
    SetThresholds(v.guard.compare, v.settings.SENSIBILITY);
    v.capture.frameBitDepth = 8;
    ScanTick(v, s);
    // A first frame that cannot be read has already stopped guard mode with
    // its message; arming the timer then would leave it scanning while it
    // counts as stopped.
    if (g.active != 0) {
        s.timers.setTimer(&v.capture, kScanTimer, v.settings.SCANTIME,
                          [&v, &s] { ScanTick(v, s); });
    }
}

int ScanTick(Vorrak& v, VorrakServices& s) {
    GuardMode& g = v.guardMode;
    Capture& capture = v.capture;
    platform::Canvas& canvas = capture.window->canvas();
    DrawStatusText(canvas, capture, kDetectingText, kRed);
    DrawRegionFrame(canvas, capture.region.left, capture.region.top, capture.region.right,
                    capture.region.bottom, false);

    FrameHistory& history = v.guard.history;
    // A frame without signal is black or stale and shows nothing of the
    // scene: it is neither grabbed nor compared, and the first frame after
    // the signal returns starts afresh, as the first frame of guard mode.
    if (!WatchSignal(v.signal, s.capture.bus)) {
        g.frameCounter = 0;
        history = FrameHistory{};
        return 1;
    }
    const int grabbed = GrabFrameInFrameFormat(capture, s.capture, v.guard, v.files,
                                               GuardView{false, false, g.frameCounter});
    if (grabbed == 0) {
        return 0;
    }
    ++g.frameCounter;

    if (g.frameCounter == 1) {
        FrameRef first;
        const uint32_t code = readFrame(v, v.files.workFile0, first);
        if (code != kFrameReadOk) {
            HandleGuardEvent(v, s, code);
            return 0;
        }
        history = {first, first, first};
        return 1;
    }
    FrameRef frame;
    const std::string& path = g.frameCounter % 2 != 0 ? v.files.workFile0 : v.files.workFile1;
    if (readFrame(v, path, frame) == kFrameReadOk) {
        history.oldest = std::move(history.previous);
        history.previous = std::move(history.newest);
        history.newest = std::move(frame);
    }

    const CompareContext context{false, v.guard.lastFrame.width, v.guard.lastFrame.height,
                                 capture.FrameWidth};
    g.verdict = CompareFrames(history.previous->pixels(), history.newest->pixels(),
                              v.guard.compare.PixelThreshold, context, v.guard.compare);
    if (g.verdict != 0) {
        if (v.settings.PLAYWARNINGSOUND != 0) {
            PlayWarningSound(s.sound, kWarningSoundResource);
        } else {
            WarningBeep(s.sound);
        }
        HandleGuardEvent(v, s, kGuardDetection);
    }
    return 1;
}

void StopGuard(Vorrak& v, VorrakServices& s, uint32_t releaseAll) {
    GuardMode& g = v.guardMode;
    g.drawing = false;
    g.active = 0;
    g.verdict = 0;
    s.timers.killTimer(&v.capture, kScanTimer);
    if (g.trace.tracing != 0) {
        EndTracing(v, s, 1);
    }
    if (releaseAll != 0) {
        // Nothing is started any more once the program ends.
        s.timers.killTimer(&v.guardMode, kWaitTimer);
        g.pending = PendingStart::None;
        if (v.settings.PLAYWARNINGSOUND != 0) {
            s.sound.stop();
        }
        v.guard.history = FrameHistory{};
        v.guard.tracingReference.reset();
    }
}

void HandleGuardEvent(Vorrak& v, VorrakServices& s, uint32_t code) {
    StopGuard(v, s, 0);
    if (code != kGuardDetection) {
        const std::string_view message = messageFor(code);
        if (!message.empty()) {
            s.ui.messageBox(message, resources::kTitle, kBoxStyle);
        }
        return;
    }
    if (v.WindowsShown == 0) {
        s.guardHost.restoreFromTray();
        v.WindowsShown = 1;
    }
    ++v.guard.EventNumber;
    FillEventSlot(v.guard, v.capture.eventFolder, s.clock, v.eventPicture);
    EventSlot& slot = v.guard.eventSlots[v.guard.eventSlotIndex];
    const FrameHistory& history = v.guard.history;
    // The event goes into the journal under the name its picture takes
    // before a file of that name exists: from then on a crash cannot lose
    // it, and no file of the event's is ever left that the journal does not
    // name.
    WriteEventBitmap(EventBitmapName(v.capture.eventFolder, v.guard.EventNumber),
                     history.previous->pixels(), history.newest->pixels(), v.guard.lastFrame,
                     v.capture.FrameWidth, v.capture.FrameHeight, s.ui,
                     [&v, &slot](const std::string& path, bool taken) {
                         JournalEventName(v.history, v.guard, path, taken);
                         if (taken) {
                             slot.bitmapPath = v.eventPicture = path;
                         }
                     });
    s.guardHost.refreshEventList(true);
    AlarmServices alarms = EventAlarms(v, s, v.guard.EventNumber);
    if (v.settings.EXECUTEPROGRAM != 0) {
        LaunchAlarmProgram(alarms, v.settings.EXECUTEFILENAME, v.guard.EventNumber,
                           slot.description);
    }
    if (v.settings.PROCESSSTYLE == 1) {
        StartTracing(v, s);
        return;
    }
    if (v.settings.EMAILNOTIFY != 0) {
        v.settings.STOREIMAGEFILENAME = v.eventPicture;
        SaveMailHandOver(s.registry, s.ui, v.settings);
        LaunchMailer(v.companions, alarms, v.ProgramDir, 1, v.guard.EventNumber,
                     v.settings.PROCESSSTYLE, slot.description);
    }
    if (v.settings.PHONECALL != 0) {
        LaunchDialer(v.companions, alarms, v.ProgramDir, 1, v.guard.EventNumber,
                     v.settings.PROCESSSTYLE, slot.description);
    }
    if (v.settings.VIDEOCAPTURE != 0) {
        // The journal learns of the clip before it is written, so that an
        // event whose recording a crash cut short still names what it got.
        if (RecordCommand(v.capture, s.capture, v.settings, v.guard, GuardView{}, ClipFor::Event,
                          [&v](const std::string& clip) {
                              JournalClipStart(v.history, v.guard, clip);
                          }) == 1) {
            slot.videoPath = v.capture.clipPath;
        }
    }
    // Asked to end during the clip: the event is complete with it.
    if (v.settings.PROCESSSTYLE == 2 && !v.guardMode.ending) {
        StartTracing(v, s);
        return;
    }
    WriteEventLine(v.history, v.guard, s.ui, v.settings.PROCESSSTYLE);
    if (!v.guardMode.ending) {
        RearmGuard(v, s, true);
    }
}

void RearmGuard(Vorrak& v, VorrakServices& s, bool announce) {
    const uint32_t style = v.settings.STOPSTYLE;
    if (style == 2) {
        StartGuard(v, s);
        return;
    }
    if (style == 3 && v.guard.restartCounter <= v.settings.ERRORAMOUNT) {
        ++v.guard.restartCounter;
        StartGuard(v, s);
        return;
    }
    if (style == 3 || announce) {
        s.ui.messageBox(kErrorAmountMessage, resources::kTitle, kBoxStyle);
        v.guard.restartCounter = 0;
    }
}

}  // namespace zelkor::vorrak

#include "vorrak/guard/tracing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "vorrak/capture/recording.h"
#include "vorrak/detection/frame_bitmap.h"
#include "vorrak/guard/detection_cycle.h"
#include "vorrak/guard/event_alarms.h"
#include "vorrak/guard/event_history.h"

namespace zelkor::vorrak {

namespace {

constexpr uint32_t kStillLimit = 15;
constexpr uint32_t kShrinkingStillFrom = 10;

GuardView tracingView(const Vorrak& v, bool manual) {
    return {v.guardMode.trace.tracing != 0, manual, v.guardMode.frameCounter};
}

CompareContext tracingContext(const Vorrak& v) {
    return {true, v.guard.lastFrame.width, v.guard.lastFrame.height, v.capture.FrameWidth};
}

// The tracing's own frame: grabbed into work file 1 and read back.
bool takeFrame(Vorrak& v, VorrakServices& s, FrameRef& out) {
    Capture& capture = v.capture;
    const int grabbed =
        GrabFrameInFrameFormat(capture, s.capture, v.guard, v.files, tracingView(v, false));
    if (grabbed == 0) {
        return false;
    }
    auto frame = std::make_shared<FrameImage>();
    if (ReadFrameBitmap(v.files.workFile1, *frame, v.guard.lastFrame) != kFrameReadOk) {
        return false;
    }
    out = std::move(frame);
    return true;
}

std::string format(const char* pattern, auto... args) {
    char text[kEventDescriptionMax + kEventPathMax + 64];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

EventSlot& currentSlot(Vorrak& v) {
    return v.guard.eventSlots[v.guard.eventSlotIndex];
}

}  // namespace

void StartTracing(Vorrak& v, VorrakServices& s) {
    TracingState& t = v.guardMode.trace;
    if (t.menuOpen == 0) {
        s.guardHost.openTracingMenu();
        t.menuOpen = 1;
    }
    t.tickCounter = 0;
    t.stillCounter = 0;
    t.tracing = 1;
    t.manualAction = 0;
    t.signalLost = false;
    v.guard.tracingReference = v.guard.history.oldest;
    v.guardMode.drawing = true;
    // A scan time of 0 would divide by zero below; timers never run faster
    // than their minimum period anyway.
    t.intervalMs =
        platform::effectiveTimerPeriod(std::min(v.settings.SCANTIME, kMaxTraceIntervalMs));
    t.releaseLimit = v.settings.RELEASETIME * 1000 / t.intervalMs;
    if (TraceTick(v, s) == 1 && t.tracing != 0) {
        s.timers.setTimer(&v.capture, kTraceTimer, t.intervalMs, [&v, &s] { TraceTick(v, s); });
    }
}

int TraceTick(Vorrak& v, VorrakServices& s) {
    TracingState& t = v.guardMode.trace;
    if (v.guardMode.active != 0) {
        EndTracing(v, s, 0);
        return 0;
    }
    if (t.manualAction != 0) {
        return 0;
    }
    ++t.tickCounter;

    platform::Canvas& canvas = v.capture.window->canvas();
    bool shrinking = false;
    if (t.stillCounter >= kStillLimit) {
        DrawStatusText(canvas, v.capture, kTracingStillText, kWhite);
    } else {
        const int32_t size = std::min(std::abs(t.box.x2 - t.box.x1), std::abs(t.box.y2 - t.box.y1));
        shrinking = size <= kShrinkingSize;
        DrawStatusText(canvas, v.capture, shrinking ? kTracingShrinkingText : kTracingText,
                       shrinking ? kWhite : kYellow);
    }

    // A loss of signal is neither movement nor stillness: the tracing waits
    // with its counters as they stand, and no frame from before the loss is
    // compared with one after it. The tracing itself goes on, so the event
    // is released only by what the picture shows once it is back.
    if (!WatchSignal(v.signal, s.capture.bus)) {
        t.signalLost = true;
        return 1;
    }
    FrameRef frame;
    if (!takeFrame(v, s, frame)) {
        return 0;
    }
    FrameHistory& history = v.guard.history;
    history.previous = std::move(history.newest);
    history.newest = std::move(frame);
    if (t.signalLost) {
        t.signalLost = false;
        history.previous.reset();
        return 1;
    }
    const uint32_t threshold = 2 * v.guard.compare.PixelThreshold;
    const uint32_t moving = CompareFrames(history.previous->pixels(), history.newest->pixels(),
                                          threshold, tracingContext(v), v.guard.compare);
    history.previous.reset();

    if (moving != 0) {
        t.stillCounter = 0;
    } else {
        ++t.stillCounter;
        if (shrinking && t.stillCounter >= kShrinkingStillFrom && t.stillCounter <= kStillLimit) {
            EndTracing(v, s, 0);
            return 1;
        }
        if (v.settings.PROCESSSTYLE == 2 && t.stillCounter > t.releaseLimit) {
            EndTracing(v, s, 0);
            return 1;
        }
    }

    CompareFrames(v.guard.tracingReference->pixels(), history.newest->pixels(), threshold,
                  tracingContext(v), v.guard.compare);
    if (LocateObject(t, v.guard.compare.ChangedBlocks, v.guard.lastFrame.width,
                     v.guard.lastFrame.height, v.capture.FrameHeight) != 0) {
        DrawObjectBox(canvas, t.box.x1, t.box.y2, t.box.x2, t.box.y1, v.capture.FrameWidth,
                      v.capture.window.get());
    } else {
        EndTracing(v, s, 0);
    }
    return 1;
}

int LocateObject(TracingState& trace, const BlockGrid& changed, int32_t lastWidth,
                 int32_t lastHeight, uint32_t frameHeight) {
    const int columns = std::clamp(lastWidth / int32_t(kBlockSize), 0, int(kBlockColumns));
    const int rows = std::clamp(lastHeight / int32_t(kBlockSize), 0, int(kBlockRows));
    BlockGrid& filtered = trace.FilteredBlocks;
    for (auto& column : filtered) {
        column.fill(0);
    }
    int count = 0;
    int cmin = columns;
    int cmax = -1;
    int rmin = rows;
    int rmax = -1;
    for (int c = 0; c < columns; ++c) {
        for (int r = 0; r < rows; ++r) {
            int neighbours = 0;
            for (int dc = -1; dc <= 1; ++dc) {
                for (int dr = -1; dr <= 1; ++dr) {
                    const int nc = c + dc;
                    const int nr = r + dr;
                    if ((dc != 0 || dr != 0) && nc >= 0 && nc < columns && nr >= 0 && nr < rows &&
                        changed[size_t(nc)][size_t(nr)] != 0) {
                        ++neighbours;
                    }
                }
            }
            // A corner block counts when a neighbour changed, whether or not
            // it changed itself; every other block only when it changed too.
            const bool corner = (c == 0 || c == columns - 1) && (r == 0 || r == rows - 1);
            const bool set = neighbours > 0 && (corner || changed[size_t(c)][size_t(r)] != 0);
            if (set) {
                filtered[size_t(c)][size_t(r)] = 1;
                ++count;
                cmin = std::min(cmin, c);
                cmax = std::max(cmax, c);
                rmin = std::min(rmin, r);
                rmax = std::max(rmax, r);
            }
        }
    }
    if (count <= 2) {
        trace.box = {};
        return 0;
    }
    // 17 x cmax and 17 x rmax, not 16 x cmax + 15, as the box has always been
    // drawn; DrawObjectBox clips the right edge to the frame.
    const auto h = int32_t(frameHeight);
    trace.box = {16 * cmin, h - 16 * rmin, 17 * cmax - 1, h - 17 * rmax - 1};
    return 1;
}

void DrawObjectBox(platform::Canvas& canvas, int32_t left, int32_t top, int32_t right,
                   int32_t bottom, uint32_t frameWidth, platform::CaptureWindow* window) {
    right = std::min(right, int32_t(frameWidth) - 1);
    const auto length = int32_t(0.2 * std::min(bottom - top, right - left));
    if (length <= 1) {
        if (window != nullptr) {
            window->repaint();
        }
        DrawRegionFrame(canvas, left, top, right, bottom, true);
        return;
    }
    canvas.drawLine(left, top, left + length, top, kRed, kMarkWidth);
    canvas.drawLine(left, top, left, top + length, kRed, kMarkWidth);
    canvas.drawLine(right, top, right - length, top, kRed, kMarkWidth);
    canvas.drawLine(right, top, right, top + length, kRed, kMarkWidth);
    canvas.drawLine(left, bottom, left + length, bottom, kRed, kMarkWidth);
    canvas.drawLine(left, bottom, left, bottom - length, kRed, kMarkWidth);
    canvas.drawLine(right, bottom, right - length, bottom, kRed, kMarkWidth);
    canvas.drawLine(right, bottom, right, bottom - length, kRed, kMarkWidth);
    const int32_t cx = (left + right) / 2;
    const int32_t cy = (top + bottom) / 2;
    canvas.drawLine(cx - length / 2, cy, cx + length / 2, cy, kRed, kMarkWidth);
    canvas.drawLine(cx, cy - length / 2, cx, cy + length / 2, kRed, kMarkWidth);
}

void EndTracing(Vorrak& v, VorrakServices& s, uint32_t final) {
    TracingState& t = v.guardMode.trace;
    t.tracing = 0;
    s.timers.killTimer(&v.capture, kTraceTimer);
    const platform::LocalTime now = s.clock.localTime();
    std::string text;
    if (v.settings.PROCESSSTYLE != 2 || t.stillCounter <= t.releaseLimit) {
        text = format(" Release Time:%d:%d:%d ", now.hour, now.minute, now.second);
    } else {
        ++t.resetCounter;
        const platform::NumberedName name{v.capture.eventFolder, "err", t.resetCounter, "bmp"};
        const std::string path =
            WriteEventBitmap(name, v.guard.tracingReference->pixels(),
                             v.guard.history.newest->pixels(), v.guard.lastFrame,
                             v.capture.FrameWidth, v.capture.FrameHeight, s.ui)
                .value_or(name.path());
        text = format(" Reset Time:%d:%d:%d, Error is still exist, please refer %s", now.hour,
                      now.minute, now.second, path.c_str());
    }
    AppendEventText(currentSlot(v).description, text);
    s.guardHost.refreshEventList(false);
    v.guardMode.drawing = false;
    v.capture.window->repaint();
    if (t.menuOpen != 0) {
        s.guardHost.closeTracingMenu();
        t.menuOpen = 0;
    }
    WriteEventLine(v.history, v.guard, s.ui, v.settings.PROCESSSTYLE);
    if (final == 0) {
        WaitThen(v, s, kPauseAfterTracingMs, PendingStart::RearmOrStop);
    }
}

void TracingMenuCommand(Vorrak& v, VorrakServices& s, int button) {
    TracingState& t = v.guardMode.trace;
    switch (button) {
        case kTracingSnapshotButton:
            t.manualAction = 1;
            SnapshotCommand(v.capture, s.capture, v.guard, v.files, tracingView(v, true));
            s.guardHost.focusMainWindow();
            t.manualAction = 0;
            return;
        case kTracingCaptureButton:
            t.manualAction = 1;
            // Only a clip that was recorded becomes the event's.
            if (RecordCommand(v.capture, s.capture, v.settings, v.guard, tracingView(v, true),
                              ClipFor::User) == 1 &&
                v.settings.PROCESSSTYLE == 1) {
                currentSlot(v).videoPath = v.capture.clipPath;
            }
            t.manualAction = 0;
            return;
        case kTracingMailButton: {
            AlarmServices alarms = EventAlarms(v, s, v.guard.EventNumber);
            LaunchMailer(v.companions, alarms, v.ProgramDir, 0, v.guard.EventNumber,
                         v.settings.PROCESSSTYLE, currentSlot(v).description);
            return;
        }
        case kTracingPhoneButton: {
            AlarmServices alarms = EventAlarms(v, s, v.guard.EventNumber);
            LaunchDialer(v.companions, alarms, v.ProgramDir, 0, v.guard.EventNumber,
                         v.settings.PROCESSSTYLE, currentSlot(v).description);
            return;
        }
        case kTracingStopButton:
            s.guardHost.closeTracingMenu();
            t.menuOpen = 0;
            if (t.tracing != 0) {
                EndTracing(v, s, 0);
            }
            return;
        default:
            return;
    }
}

}  // namespace zelkor::vorrak

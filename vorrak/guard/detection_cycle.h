#pragma once
// The detection cycle: guard mode starts (at once, after a delay or at a
// time of day), grabs and compares a frame at every scan, turns a detection
// into an event with its files, actions and history line, and re-arms
// itself after an event up to the configured number of times.

#include <cstdint>
#include <string_view>

#include "platform/canvas.h"
#include "vorrak/state/vorrak.h"

namespace zelkor::vorrak {

constexpr std::string_view kSourceMissingMessage = "Source file is not exist...";
constexpr std::string_view kFileReadErrorMessage = "File error reading...";
constexpr std::string_view kBitmapFormatMessage = "Bitmap file format reading error...";
constexpr std::string_view kTimerUsedOutMessage = "Timer is used out...";
constexpr std::string_view kErrorAmountMessage =
    "Total errors is reached the assigned amount....\nOculara is stop and reset.";
constexpr std::string_view kQuitSetupWizardMessage =
    "Before you run vorrak fuction, please quit setup wizard...";
constexpr std::string_view kNewRegionQuestion =
    "Do you want to set new region now?\nIf you select No, Oculara will use the previous "
    "region.\nBut you select Yes, you must restart vorrak function after you set new region.";
constexpr std::string_view kDetectingText = "Detecting...";

// Command 40071, the Start/Stop of guard mode.
void GuardCommand(Vorrak& v, VorrakServices& s);
void StartGuard(Vorrak& v, VorrakServices& s);
// One scan; 1 when a frame was grabbed.
int ScanTick(Vorrak& v, VorrakServices& s);
// releaseAll (program exit): also silences the warning sound and lets go of
// every frame.
void StopGuard(Vorrak& v, VorrakServices& s, uint32_t releaseAll);
void HandleGuardEvent(Vorrak& v, VorrakServices& s, uint32_t code);
// Milliseconds from now until the time of day h:m:s, today or tomorrow.
uint32_t ScheduleDelay(platform::Clock& clock, uint32_t hour, uint32_t minute, uint32_t second);

// The engine's waits (the scheduled start, the pause after tracing) run on
// a timer: the program repaints and answers meanwhile, but takes no guard
// command until `what` has followed.
void WaitThen(Vorrak& v, VorrakServices& s, uint32_t waitMs, PendingStart what);

// After an event that was not traced (announce = true: a style other than
// 2 and 3 says why guard mode stays off) or after tracing ended (announce =
// false).
void RearmGuard(Vorrak& v, VorrakServices& s, bool announce);

// The status line over the capture picture, drawn without its last
// character as it always was.
void DrawStatusText(platform::Canvas& canvas, const Capture& capture, std::string_view text,
                    uint32_t colour);
// The watched region's frame; yellow while an object is traced.
void DrawRegionFrame(platform::Canvas& canvas, int32_t left, int32_t top, int32_t right,
                     int32_t bottom, bool tracing);

}  // namespace zelkor::vorrak

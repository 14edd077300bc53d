#pragma once
// Object tracing after an event: a faster timer keeps grabbing frames, tells
// from each new frame whether anything still moves, finds the object by
// comparing with the picture from before the event, and marks it over the
// live picture until it is gone, stands still, or the user stops it.

#include <cstdint>
#include <string_view>

#include "platform/canvas.h"
#include "vorrak/state/vorrak.h"

namespace zelkor::vorrak {

constexpr std::string_view kTracingStillText = "Traceing Object is still...";
constexpr std::string_view kTracingShrinkingText = "Traceing Object now is shrinking..";
constexpr std::string_view kTracingText = "Traceing...";

// Objects no larger than this in either direction count as shrinking.
constexpr int32_t kShrinkingSize = 48;

void StartTracing(Vorrak& v, VorrakServices& s);
// One tracing step; 1 when it ran to the end.
int TraceTick(Vorrak& v, VorrakServices& s);
// Filters the changed blocks of the last comparison and boxes what is left;
// 1 when an object was found. The grid is that of the last frame read.
int LocateObject(TracingState& trace, const BlockGrid& changed, int32_t lastWidth,
                 int32_t lastHeight, uint32_t frameHeight);
// Corner marks and a centre cross, or the plain frame of a small box. The
// frame is the region's, drawn as while tracing: in yellow, on `window`
// (when given) first cleared of what was drawn over its picture.
void DrawObjectBox(platform::Canvas& canvas, int32_t left, int32_t top, int32_t right,
                   int32_t bottom, uint32_t frameWidth, platform::CaptureWindow* window = nullptr);
// final: guard mode is being stopped for good, so nothing re-arms.
void EndTracing(Vorrak& v, VorrakServices& s, uint32_t final);

// A button of the Tracing Menu (kTracing...Button).
void TracingMenuCommand(Vorrak& v, VorrakServices& s, int button);

}  // namespace zelkor::vorrak

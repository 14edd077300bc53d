#pragma once
// How the video port pre-scales and crops the fields for a window of a
// given size, by display chip family and field rate group, and the colour
// key of a desktop pixel format. Pure functions of their inputs.

#include <cstdint>

#include "platform/display_device.h"

namespace zelkor::vorrak {

struct PortPlacement {
    bool ok = false;  // false: a chip family the port cannot be programmed for
    uint32_t PW = 0;  // prescale width
    uint32_t PH = 0;  // prescale height
    uint32_t CL = 0;  // crop left (and right)
    uint32_t CT = 0;  // crop top
    uint32_t SB = 0;  // source bottom
    uint32_t flags = 0;
};

// For a client area W x H, field height F, the attempt (0-4) and the
// overlay's buffer count.
PortPlacement ComputePortPlacement(int busMethod, bool fiftyHertz, uint32_t W, uint32_t H,
                                   uint32_t F, uint32_t attempt, uint32_t bufferCount);

// The destination colour key for the desktop's pixel format; 0 for formats
// without one.
uint32_t ColorKeyFor(const platform::PixelFormat& format);

// The overlay source rectangle for destination `dest` of a client area
// `client`, from the port's base rectangle; client must not be empty.
platform::DisplayRect SourceForDestination(const platform::DisplayRect& dest,
                                           const platform::DisplayRect& client,
                                           const platform::DisplayRect& base);

// Rounds the left edge up to a multiple of `boundary` (the right edge stays)
// and then shortens the width to a multiple of `size`; a zero value leaves
// that alone. A rectangle the rounding empties keeps no width.
void AlignRect(platform::DisplayRect& r, uint32_t boundary, uint32_t size);

}  // namespace zelkor::vorrak

#pragma once
// JPEG pictures of captured frames, for Motion-JPEG clips.

#include <cstdint>
#include <vector>

#include "vcard/capture_frame.h"

namespace zelkor::vcard {

// Encodes `frame` in colour, or its luminance alone when `grey`. False (and
// `out` empty) when the library refuses the picture.
bool encodeJpeg(const CaptureFrame& frame, bool grey, int quality, std::vector<uint8_t>& out);

}  // namespace zelkor::vcard

#pragma once
// The decoder's picture processing: a source picture to UYVY with the
// brightness, contrast, saturation and hue the registers hold.

#include "vcard/bus_devices.h"
#include "vcard/picture.h"

namespace zelkor::vcard {

// Register 0x0A brightness (0x80 = no change), 0x0B contrast (0x47 = unity,
// the level the decoder is specified at), 0x0C saturation (0x40 = unity),
// 0x0D hue (signed, +-128 = +-180 degrees). `in` has the size of `out`.
void applyPictureControls(const Decoder& decoder, const Picture& in, VideoField& out);
// The same on a planar picture, in place.
void applyPictureControls(const Decoder& decoder, Picture& picture);

void fillBlack(VideoField& out);

}  // namespace zelkor::vcard

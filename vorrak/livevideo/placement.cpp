#include "vorrak/livevideo/placement.h"

#include <algorithm>

namespace zelkor::vorrak {

namespace {
namespace dd = platform::display;

uint32_t ceilDiv(uint32_t x, uint32_t y) {
    return uint32_t((uint64_t(x) + y - 1) / y);
}

uint32_t prescaleWidthByWindow(uint32_t W) {
    // Below 44 pixels the smallest width serves: the overlay only shrinks.
    return W >= 704 ? 720 : W >= 352 ? 360 : W >= 176 ? 180 : W >= 88 ? 90 : 45;
}

int64_t floorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}
}  // namespace

PortPlacement ComputePortPlacement(int busMethod, bool fiftyHertz, uint32_t W, uint32_t H,
                                   uint32_t F, uint32_t attempt, uint32_t bufferCount) {
    PortPlacement p;
    const bool familyA = busMethod == 10 || busMethod == 30;
    const bool familyB = busMethod == 20 || busMethod == 40;
    if (!familyA && !familyB) {
        return p;
    }
    p.ok = true;
    p.CL = (8 * W + 719) / 720;
    p.flags = dd::PortConvert;
    p.PW = busMethod == 30 ? 720u >> (attempt > 4 ? 4 : attempt) : prescaleWidthByWindow(W);

    auto set = [&](uint32_t ct, uint32_t sb, uint32_t ph, uint32_t flags) {
        p.CT = ct;
        p.SB = sb;
        p.PH = ph;
        p.flags |= flags;
    };
    if (fiftyHertz) {
        H <= 288 ? set(1, H, H, dd::PortPrescale) : set(1, F, F, 0);
    } else if (familyA) {
        if (H <= 240) {
            const uint32_t k = ceilDiv(11 * H, 240);
            set(k + 1, H + k, H + k, dd::PortPrescale);
        } else if (busMethod == 30 || H < 480) {
            set(12, F, F, 0);
        } else {
            set(23, 502, F, dd::PortInterleave);
        }
    } else {
        if (H <= 240) {
            const uint32_t k = ceilDiv(2 * H, 240);
            set(k, H + k, H + k, dd::PortPrescale);
        } else if (H < 480) {
            set(2, F, F, 0);
        } else {
            set(4, 484, F, dd::PortInterleave);
        }
    }

    if (busMethod != 30 || attempt != 0) {
        p.flags |= dd::PortPrescale;
    }
    if (busMethod != 40 && bufferCount > 1) {
        p.flags |= dd::PortAutoFlip;
    }
    return p;
}

uint32_t ColorKeyFor(const platform::PixelFormat& f) {
    if ((f.flags & dd::PixelRgb) == 0) {
        return 0;
    }
    switch (f.bitCount) {
        case 8:
            return 0xFD;
        case 16:
            if (f.redMask == 0xF800 && f.greenMask == 0x07E0 && f.blueMask == 0x001F) {
                return 0xF81F;
            }
            if (f.redMask == 0x7C00 && f.greenMask == 0x03E0 && f.blueMask == 0x001F) {
                return 0x7C1F;
            }
            return 0;
        case 24:
        case 32:
            return 0xFF00FF;
        default:
            return 0;
    }
}

platform::DisplayRect SourceForDestination(const platform::DisplayRect& dest,
                                           const platform::DisplayRect& client,
                                           const platform::DisplayRect& base) {
    const int64_t cw = client.width();
    const int64_t ch = client.height();
    const int64_t bw = base.width();
    const int64_t bh = base.height();
    auto x = [&](int32_t d) { return int32_t((d - client.left) * bw / cw + base.left); };
    auto y = [&](int32_t d) { return int32_t((d - client.top) * bh / ch + base.top); };
    return {x(dest.left), y(dest.top), x(dest.right), y(dest.bottom)};
}

void AlignRect(platform::DisplayRect& r, uint32_t boundary, uint32_t size) {
    if (boundary != 0) {
        const int64_t b = boundary;
        r.left = int32_t(-floorDiv(-int64_t(r.left), b) * b);
        r.right = std::max(r.right, r.left);
    }
    if (size != 0) {
        const int64_t width = int64_t(r.right) - r.left;
        r.right = int32_t(r.left + (width > 0 ? width / size * size : 0));
    }
}

}  // namespace zelkor::vorrak

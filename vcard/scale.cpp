#include "vcard/scale.h"

namespace zelkor::vcard {

Planes planesOf(const Picture& p) {
    return Planes{p.y.data(), p.u.data(), p.v.data(), p.width, p.height, p.width / 2, p.height};
}

void scalePlanes(const Planes& in, Picture& out) {
    if (in.width <= 0 || in.height <= 0 || out.width <= 0 || out.height <= 0) {
        out.fillBlack();
        return;
    }
    const int cw = out.width / 2;
    for (int oy = 0; oy < out.height; ++oy) {
        const int sy = int(int64_t(oy) * in.height / out.height);
        const uint8_t* srcY = in.y + size_t(sy) * size_t(in.width);
        uint8_t* dstY = out.y.data() + size_t(oy) * size_t(out.width);
        for (int ox = 0; ox < out.width; ++ox) {
            dstY[ox] = srcY[int64_t(ox) * in.width / out.width];
        }
        uint8_t* dstU = out.u.data() + size_t(oy) * size_t(cw);
        uint8_t* dstV = out.v.data() + size_t(oy) * size_t(cw);
        if (in.u == nullptr || in.v == nullptr) {
            for (int cx = 0; cx < cw; ++cx) {
                dstU[cx] = 128;
                dstV[cx] = 128;
            }
            continue;
        }
        const int csy = int(int64_t(sy) * in.chromaHeight / in.height);
        const size_t row = size_t(csy) * size_t(in.chromaWidth);
        for (int cx = 0; cx < cw; ++cx) {
            const int sx = int(int64_t(2 * cx) * in.width / out.width);
            const size_t at = row + size_t(int64_t(sx) * in.chromaWidth / in.width);
            dstU[cx] = in.u[at];
            dstV[cx] = in.v[at];
        }
    }
}

}  // namespace zelkor::vcard

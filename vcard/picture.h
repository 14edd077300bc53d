#pragma once
// Pictures as sources deliver them: planar 4:2:2 (full-height chroma at half
// width), the sampling the decoder's output keeps.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelkor::vcard {

struct Picture {
    int width = 0;  // even
    int height = 0;
    std::vector<uint8_t> y;  // width x height
    std::vector<uint8_t> u;  // width/2 x height
    std::vector<uint8_t> v;

    void resize(int w, int h) {
        width = w;
        height = h;
        y.resize(size_t(w) * size_t(h));
        u.resize(size_t(w / 2) * size_t(h));
        v.resize(size_t(w / 2) * size_t(h));
    }
    void fillBlack() {
        y.assign(y.size(), 16);
        u.assign(u.size(), 128);
        v.assign(v.size(), 128);
    }
};

// One field of the decoder's output: UYVY, two bytes per pixel.
struct VideoField {
    static constexpr int Width = 720;
    int height = 0;
    int fieldRate = 60;
    uint64_t index = 0;  // fields since the card started
    std::vector<uint8_t> uyvy;
};

}  // namespace zelkor::vcard

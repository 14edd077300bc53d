#pragma once
// The window's layout is kept in twips, at 15 twips a pixel.

#include <QRect>

namespace zelkor::manage {

inline constexpr int kTwipsPerPixel = 15;

constexpr int twips(int t) {
    return (t + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

}  // namespace zelkor::manage

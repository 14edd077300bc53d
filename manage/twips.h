#pragma once
// The window's layout is kept in twips, at 15 twips a pixel.

#include <QFont>
#include <QRect>
#include <QSize>

#include "platform/qt/fitted_font.h"

namespace zelkor::manage {

inline constexpr int kTwipsPerPixel = 15;

constexpr int twips(int t) {
    return (t + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

// The window's client area at the size its layout was measured for.
inline constexpr QSize kDesignSize(twips(8520), twips(8100));

// The layout's font: its letters on average no wider than 6 pixels and its
// lines no taller than 13.
inline QFont layoutFont() {
    return platform::FittedSansFont(13, 6, 13);
}

inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

}  // namespace zelkor::manage

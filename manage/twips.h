#pragma once
// The window's layout is kept in twips, at 15 twips a pixel.

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QSize>

namespace zelkor::manage {

inline constexpr int kTwipsPerPixel = 15;

constexpr int twips(int t) {
    return (t + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

// The window's client area as designed.
inline constexpr QSize kDesignSize(twips(8520), twips(8100));

// A sans serif sized like the 8-point face the layout was measured in: its
// letters on average no wider than 6 pixels and its lines no taller than
// 13, so every caption fits the place the layout gives it.
inline QFont layoutFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    for (int pixels = 13; pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        if (metrics.horizontalAdvance(alphabet) <= alphabet.size() * 6 && metrics.height() <= 13) {
            break;
        }
    }
    return font;
}

inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

}  // namespace zelkor::manage

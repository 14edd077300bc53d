#include "platform/qt/fitted_font.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QString>
#include <QStringList>

namespace zelkor::platform {

namespace {

QFont sansSerif() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    return font;
}

}  // namespace

QFont FittedSansFont(int startPixels, int averageWidth, int lineHeight) {
    QFont font = sansSerif();
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    for (int pixels = startPixels; pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        if (metrics.horizontalAdvance(alphabet) <= alphabet.size() * averageWidth &&
            metrics.height() <= lineHeight) {
            break;
        }
    }
    return font;
}

int EightPointPixels() {
    QFont font = sansSerif();
    font.setPointSize(8);
    return QFontInfo(font).pixelSize();
}

}  // namespace zelkor::platform

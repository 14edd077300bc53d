#include "vorrak/config/qt_font.h"

#include <QString>

namespace zelkor::vorrak {

QFont ToQFont(const FontDescription& description) {
    QFont font(QString::fromLocal8Bit(description.face.data(), qsizetype(description.face.size())));
    // A negative height asks for the character height, which is what a
    // pixel size means to Qt; a positive one is the cell height and is
    // taken as it stands.
    const int pixels = description.height < 0 ? -description.height : description.height;
    if (pixels > 0) {
        font.setPixelSize(pixels);
    }
    if (description.weight > 0) {
        font.setWeight(QFont::Weight(description.weight));
    }
    font.setItalic(description.italic);
    font.setUnderline(description.underline);
    font.setStrikeOut(description.strikeOut);
    return font;
}

}  // namespace zelkor::vorrak

#include "vorrak/panel/skin_pixmap.h"

#include <QBitmap>
#include <QImage>

#include "vorrak/panel/skin.h"

namespace zelkor::vorrak {

QPixmap SkinPixmap(int id) {
    const std::span<const uint8_t> file = SkinBitmap(id);
    QPixmap pixmap;
    if (!file.empty()) {
        pixmap.loadFromData(file.data(), uint(file.size()), "BMP");
    }
    return pixmap;
}

QIcon ProgramIcon() {
    QPixmap pixmap = SkinPixmap(skin::Icon);
    pixmap.setMask(pixmap.createMaskFromColor(Qt::white));
    return QIcon(pixmap);
}

}  // namespace zelkor::vorrak

#include "vcard/image_canvas.h"

#include <QFont>
#include <QPainter>
#include <QString>

namespace zelkor::vcard {

namespace {
QColor colourOf(uint32_t c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}
QRect rectOf(const platform::CanvasRect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}
}  // namespace

void ImageCanvas::fillRect(const platform::CanvasRect& r, uint32_t colour) {
    QPainter p(&image_);
    p.fillRect(rectOf(r), colourOf(colour));
}

void ImageCanvas::frameRect(const platform::CanvasRect& r, uint32_t colour) {
    QPainter p(&image_);
    p.setPen(colourOf(colour));
    p.drawRect(rectOf(r).adjusted(0, 0, -1, -1));
}

void ImageCanvas::drawLine(int x0, int y0, int x1, int y1, uint32_t colour) {
    QPainter p(&image_);
    p.setPen(colourOf(colour));
    p.drawLine(x0, y0, x1, y1);
}

void ImageCanvas::drawText(std::string_view text, const platform::CanvasRect& r,
                           const platform::CanvasFont& font, uint32_t colour, uint32_t format) {
    namespace tf = platform::text_format;
    QPainter p(&image_);
    QFont f(QString::fromStdString(font.face));
    if (font.height > 0) {
        f.setPixelSize(font.height);
    }
    p.setFont(f);
    p.setPen(colourOf(colour));
    int flags = (format & tf::Center) != 0 ? Qt::AlignHCenter : Qt::AlignLeft;
    flags |= (format & tf::Bottom) != 0 ? Qt::AlignBottom : Qt::AlignTop;
    if ((format & tf::WordBreak) != 0 && (format & tf::SingleLine) == 0) {
        flags |= Qt::TextWordWrap;
    }
    p.setClipRect(rectOf(r));
    p.drawText(rectOf(r), flags, QString::fromLocal8Bit(text.data(), qsizetype(text.size())));
}

}  // namespace zelkor::vcard

#include "platform/qt/painter_canvas.h"

#include <QFont>
#include <QPainter>
#include <QString>

namespace zelkor::platform {

namespace {
QColor colourOf(uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}
QRect rectOf(const CanvasRect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}
}  // namespace

void PainterCanvas::fillRect(const CanvasRect& r, uint32_t colour) {
    QPainter(&device_).fillRect(rectOf(r), colourOf(colour));
}

void PainterCanvas::frameRect(const CanvasRect& r, uint32_t colour) {
    QPainter p(&device_);
    p.setPen(colourOf(colour));
    p.drawRect(rectOf(r).adjusted(0, 0, -1, -1));
}

void PainterCanvas::drawLine(int x0, int y0, int x1, int y1, uint32_t colour, int width) {
    QPainter p(&device_);
    p.setPen(QPen(colourOf(colour), width));
    p.drawLine(x0, y0, x1, y1);
}

void PainterCanvas::drawText(std::string_view text, const CanvasRect& r, const CanvasFont& font,
                             uint32_t colour, uint32_t format) {
    namespace tf = text_format;
    QPainter p(&device_);
    QFont f = p.font();
    if (!font.face.empty()) {
        f.setFamily(QString::fromStdString(font.face));
    }
    if (font.height > 0) {
        f.setPixelSize(font.height);
    }
    p.setFont(f);
    p.setPen(colourOf(colour));
    int flags = (format & tf::Center) != 0 ? Qt::AlignHCenter : Qt::AlignLeft;
    flags |= (format & tf::Bottom) != 0 ? Qt::AlignBottom : Qt::AlignTop;
    if ((format & tf::SingleLine) != 0) {
        flags |= Qt::TextSingleLine;
    } else if ((format & tf::WordBreak) != 0) {
        flags |= Qt::TextWordWrap;
    }
    p.setClipRect(rectOf(r));
    p.drawText(rectOf(r), flags, QString::fromLocal8Bit(text.data(), qsizetype(text.size())));
}

}  // namespace zelkor::platform

// The main window's painting: the empty picture or the live overlay's colour
// key, and while a region is selected the frozen picture with its frame.

#include "vorrak/shell/main_window.h"

#include <QPainter>

#include "platform/qt/painter_canvas.h"
#include "vorrak/guard/detection_cycle.h"

namespace zelkor::vorrak {

platform::Canvas& MainWindow::mainWindowCanvas() {
    // The capture window fills the client area: text for the main window
    // goes over its picture, where the user sees it.
    return v_.capture.window->canvas();
}

void MainWindow::freezePicture() {
    const QSize frame(int(v_.capture.FrameWidth), int(v_.capture.FrameHeight));
    frozenPicture_ = QImage(frame, QImage::Format_RGB32);
    frozenPicture_.fill(Qt::black);
    // What the window and the capture window in it draw now, not what the
    // screen holds there: a box just answered may not have left it yet.
    QPainter painter(&frozenPicture_);
    render(&painter, QPoint(), QRegion(QRect(QPoint(), frame)));
}

platform::Canvas& MainWindow::frozenPictureCanvas() {
    return *frozenCanvas_;
}

// Every paint of the region starts from the frozen picture, so what was
// drawn over it goes whether erasing was asked or not.
void MainWindow::invalidateMainWindow(bool) {
    update();
}

void MainWindow::paintEvent(QPaintEvent*) {
    if (v_.regionSelection.regionMode != 0) {
        QPainter(this).drawImage(QPoint(0, 0), frozenPicture_);
        platform::PainterCanvas canvas(*this);
        const DetectRegion& r = v_.capture.region;
        DrawRegionFrame(canvas, r.left, r.top, r.right, r.bottom, v_.guardMode.trace.tracing != 0);
        return;
    }
    // Once connected, the capture window paints the picture itself. Before,
    // the live overlay shows where the colour key is painted; where it is
    // not (no key chosen yet, no overlay) the window is empty.
    if (!showsCapturePreview()) {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(kEmptyPictureColour));
    }
    live_.PaintColorKey();
}

}  // namespace zelkor::vorrak

// The left button drags the window, or the region during its selection; the
// right button opens the popup menu.

#include "vorrak/shell/main_window.h"

#include <QContextMenuEvent>
#include <QMouseEvent>

namespace zelkor::vorrak {

bool MainWindow::regionSelectionRuns() {
    return v_.regionSelection.regionMode != 0;
}

void MainWindow::startRegionSelection() {
    StartRegionSelection(v_, *s_, *this);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    // Clicks on the capture window come here too: it leaves them to us.
    if (event->button() != Qt::LeftButton) {
        return;
    }
    buttonDown_ = true;
    if (v_.regionSelection.regionMode != 0) {
        const QPoint p = event->position().toPoint();
        RegionButtonDown(v_, p.x(), p.y());
        return;
    }
    lastPos_ = event->globalPosition().toPoint();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!buttonDown_) {
        return;
    }
    if (v_.regionSelection.regionMode != 0) {
        const QPoint p = event->position().toPoint();
        RegionMouseMove(v_, *this, p.x(), p.y());
        return;
    }
    if (v_.capture.CaptureState == kCaptureConnected) {
        if (v_.capture.framesCaptured > 0) {
            v_.capture.window->repaint();
        } else {
            v_.capture.window->setOverlay(true);
        }
    }
    dragTo(event->globalPosition().toPoint());
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    // A release whose press came before the selection began (the press that
    // answered its question) ends no drag.
    const bool dragged = buttonDown_;
    buttonDown_ = false;
    if (v_.regionSelection.regionMode != 0 && dragged) {
        const QPoint p = event->position().toPoint();
        RegionButtonUp(v_, *s_, *this, p.x(), p.y());
    }
}

void MainWindow::dragTo(const QPoint& p) {
    const QPoint d = p - lastPos_;
    const QRect r = frameGeometry();
    // Past the top edge the window stays just below it and only follows
    // sideways; at the left edge it only follows up and down.
    if (r.top() < 1) {
        move(r.left() + d.x(), 2);
    } else if (r.left() > 0) {
        move(r.left() + d.x(), r.top() + d.y());
    } else {
        move(2, r.top() + d.y());
    }
    lastPos_ = p;
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (v_.regionSelection.regionMode != 0) {
        event->accept();
        return;
    }
    popup_.popup(event->globalPos());
    event->accept();
}

}  // namespace zelkor::vorrak

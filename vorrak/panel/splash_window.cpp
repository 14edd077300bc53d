#include "vorrak/panel/splash_window.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "vorrak/panel/panel.h"
#include "vorrak/panel/skin.h"
#include "vorrak/panel/skin_pixmap.h"

namespace zelkor::vorrak {

SplashWindow::SplashWindow()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(SkinPixmap(skin::Splash)) {
    setObjectName(QString::fromLatin1(kSplashClass.data(), qsizetype(kSplashClass.size())));
    setCursor(Qt::ArrowCursor);
    setFixedSize(kSplashWidth + 2 * kSplashFrame, kSplashHeight + 2 * kSplashFrame);
}

void SplashWindow::show() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const PanelPoint at = SplashPosition(screen.width(), screen.height());
    move(screen.left() + at.x, screen.top() + at.y);
    QWidget::show();
    raise();
    repaint();
    QCoreApplication::processEvents();
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // A raised dialog frame: light above and left, dark below and right.
    const QRect r = rect();
    painter.fillRect(r, QColor(192, 192, 192));
    painter.setPen(QColor(255, 255, 255));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(QColor(64, 64, 64));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    painter.drawPixmap(kSplashFrame, kSplashFrame, picture_);
}

}  // namespace zelkor::vorrak

#include "vorrak/panel/control_panel.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QRegion>
#include <QToolTip>

#include "vorrak/config/font.h"
#include "vorrak/config/qt_font.h"
#include "vorrak/panel/skin.h"
#include "vorrak/panel/skin_pixmap.h"
#include "vorrak/resources/strings.h"

namespace zelkor::vorrak {

namespace {

QString text(std::string_view s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

QRect rectOf(const PanelRect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

QFont panelFont(int pixels, bool japanese) {
    return ToQFont(MakeFont(kPanelFontFace, pixels, japanese));
}

constexpr QPoint kStartStopAt{41, 116};
constexpr QPoint kSetupAt{120, 116};
constexpr QColor kStateColour{0, 255, 0};
constexpr QColor kSignalColour{255, 255, 0};
constexpr QColor kClockColour{255, 255, 255};

}  // namespace

ControlPanel::ControlPanel(PanelHost& host, platform::Clock& clock, bool japanese, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint),
      host_(host),
      clock_(clock),
      largeFont_(panelFont(kLargeTextPixels, japanese)),
      smallFont_(panelFont(kSmallTextPixels, japanese)),
      background_(SkinPixmap(skin::PanelBackground)),
      titleKeysPressed_(SkinPixmap(skin::PanelTitleButtonsPressed)) {
    for (const int id : {skin::StartNormal, skin::StartPressed, skin::StopNormal, skin::StopPressed,
                         skin::SetupNormal, skin::SetupPressed}) {
        buttonImages_.emplace(id, SkinPixmap(id));
    }
    setObjectName(QString::number(kPanelDialog));
    setWindowTitle(text(resources::kTitle));
    setFixedSize(kPanelWidth, kPanelHeight);
    // The panel never takes the keyboard: the keys belong to the main window.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The panel never takes the focus either, so it is seldom the active
    // window: its tips must show all the same.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    QPolygon outline;
    for (const auto& point : kPanelShape) {
        outline << QPoint(point[0], point[1]);
    }
    setMask(QRegion(outline, Qt::WindingFill));
    timer_.setInterval(kPanelClockMs);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
        host_.panelClockTick();
        clientSize_.reset();
        update();
    });
    timer_.start();
}

void ControlPanel::placeUnder(const QRect& w) {
    const PanelPoint at =
        PanelPosition(w.left(), w.top(), w.left() + w.width(), w.top() + w.height());
    move(at.x, at.y);
    show();
}

void ControlPanel::showClientSize(int width, int height) {
    clientSize_ = SizeText(uint32_t(width), uint32_t(height));
    update();
}

bool ControlPanel::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        if (const HitArea* hit = HitAreaAt(help->pos().x(), help->pos().y())) {
            QToolTip::showText(help->globalPos(), text(hit->tip), this, rectOf(hit->area));
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::event(e);
}

void ControlPanel::paintEvent(QPaintEvent*) {
    const PanelState state = host_.panelState();
    shown_ = PanelTextsOf(state, clock_.localTime());
    if (clientSize_) {
        shown_.size = *clientSize_;
    }

    QPainter p(this);
    p.drawPixmap(0, 0, background_);
    const int pressed = press_.state;
    p.drawPixmap(kStartStopAt,
                 buttonImages_.at(StartStopImage(state, pressed == panel_button::StartStop)));
    p.drawPixmap(kSetupAt, buttonImages_.at(SetupImage(pressed == panel_button::Setup)));
    // The small title keys look pressed by a piece of the pressed skin.
    if (pressed == panel_button::Help || pressed == panel_button::Exit ||
        pressed == panel_button::Minimise) {
        for (const HitArea& hit : kHitAreas) {
            if (hit.button == pressed) {
                const QRect piece = rectOf(hit.area);
                p.drawPixmap(piece.topLeft(), titleKeysPressed_, piece);
            }
        }
    }

    const int oneLine = Qt::TextSingleLine | Qt::AlignVCenter;
    p.setFont(largeFont_);
    p.setPen(kStateColour);
    p.drawText(rectOf(kStateTextRect), oneLine | Qt::AlignLeft,
               QString::fromStdString(shown_.state));
    p.setFont(smallFont_);
    p.setPen(kSignalColour);
    p.drawText(rectOf(kStandardRect), oneLine | Qt::AlignLeft,
               QString::fromStdString(shown_.standard));
    p.drawText(rectOf(kInputRect), oneLine | Qt::AlignHCenter,
               QString::fromStdString(shown_.input));
    p.setPen(kClockColour);
    p.drawText(rectOf(kClockRect), oneLine | Qt::AlignLeft, QString::fromStdString(shown_.clock));
    p.drawText(rectOf(kSizeRect), oneLine | Qt::AlignHCenter, QString::fromStdString(shown_.size));
}

void ControlPanel::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        return;
    }
    const QPoint at = e->position().toPoint();
    const QPoint screen = e->globalPosition().toPoint();
    if (PressAt(press_, at.x(), at.y(), screen.x(), screen.y(), width(), height())) {
        update();
    }
}

void ControlPanel::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    const QPoint screen = e->globalPosition().toPoint();
    const PanelMove m = MoveTo(press_, at.x(), at.y(), screen.x(), screen.y());
    if (m.dx != 0 || m.dy != 0) {
        move(pos() + QPoint(m.dx, m.dy));
    }
    if (m.repaint) {
        update();
    }
}

void ControlPanel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        return;
    }
    const std::optional<int> button = Release(press_);
    update();
    if (button) {
        buttonAction(*button);
    }
}

void ControlPanel::buttonAction(int button) {
    switch (button) {
        case panel_button::Exit:
            timer_.stop();
            hide();
            host_.exitFromPanel();
            return;
        case panel_button::Minimise:
            host_.minimiseFromPanel();
            return;
        default:
            break;
    }
    if (const std::optional<uint32_t> id = ButtonCommand(button, host_.regionSelectionRuns())) {
        host_.panelCommand(*id);
    }
    if (button == panel_button::About) {
        show();
        activateWindow();
    }
}

}  // namespace zelkor::vorrak

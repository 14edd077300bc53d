#include "vcard/display_window.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>

#include "platform/qt/window.h"

namespace zelkor::vcard {

namespace {

DisplayRect toDisplay(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

QRect clientOnScreen(const QWidget* w) {
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

bool minimised(const QWidget* w) {
    return !w->isVisible() || w->window()->isMinimized();
}

// How often the field timer looks whether anyone watches, while nobody does.
constexpr int kIdleTickMs = 100;

}  // namespace

// What the display hardware puts over a window: the screen composed inside
// the window's client area. It paints only where the screen was filled or
// the overlay shows, so the window's own picture stays elsewhere.
class QtWindowSystem::Layer : public QWidget {
  public:
    Layer(QtWindowSystem& owner, QWidget* window) : QWidget(window), owner_(owner) {
        setObjectName("overlayLayer");
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(window->rect());
        lower();
        show();
    }
    QWidget* window() const { return parentWidget(); }

  protected:
    void paintEvent(QPaintEvent*) override {
        if (minimised(this)) {
            return;
        }
        const QRect area = clientOnScreen(this);
        if (image_.size() != area.size()) {
            image_ = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
        }
        owner_.composed_ +=
            owner_.display_.compose(toDisplay(area), reinterpret_cast<uint32_t*>(image_.bits()),
                                    size_t(image_.bytesPerLine() / 4));
        QPainter p(this);
        p.drawImage(QPoint(0, 0), image_);
    }

  private:
    QtWindowSystem& owner_;
    QImage image_;
};

QtWindowSystem::QtWindowSystem(CardDisplay& display) : display_(display) {
    display_.setWindowSystem(this);
    fieldTimer_ = new QTimer(this);
    QObject::connect(fieldTimer_, &QTimer::timeout, this, [this] { tick(); });
    fieldTimer_->start(kIdleTickMs);
}

void QtWindowSystem::tick() {
    // Twice per field while someone looks, so no field is missed for the
    // timer's jitter; else only a look now and then whether someone does.
    const bool look = watched();
    if (look) {
        display_.runPortNow();
    }
    const int interval = look ? 1000 / display_.fieldRate() / 2 : kIdleTickMs;
    if (fieldTimer_->interval() != interval) {
        fieldTimer_->setInterval(interval);
    }
}

bool QtWindowSystem::watched() {
    if (!display_.portShown()) {
        return false;
    }
    std::erase_if(layers_, [](const QPointer<Layer>& l) { return l.isNull(); });
    return std::any_of(layers_.begin(), layers_.end(),
                       [](const QPointer<Layer>& l) { return !minimised(l.data()); });
}

QtWindowSystem::~QtWindowSystem() {
    display_.setWindowSystem(nullptr);
    for (const QPointer<Layer>& layer : layers_) {
        delete layer.data();
    }
}

DisplayRect QtWindowSystem::screen() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s != nullptr ? toDisplay(s->virtualGeometry()) : DisplayRect{};
}

QtWindowSystem::Layer* QtWindowSystem::layerOf(QWidget* window) {
    std::erase_if(layers_, [](const QPointer<Layer>& l) { return l.isNull(); });
    for (const QPointer<Layer>& layer : layers_) {
        if (layer->window() == window) {
            return layer.data();
        }
    }
    auto* layer = new Layer(*this, window);
    window->installEventFilter(this);
    layers_.emplace_back(layer);
    return layer;
}

bool QtWindowSystem::clipList(platform::WindowHandle window, std::vector<DisplayRect>& rects) {
    rects.clear();
    QWidget* w = platform::widgetOf(window);
    if (w == nullptr) {
        return false;
    }
    layerOf(w);
    if (minimised(w)) {
        return true;
    }
    const DisplayRect s = screen();
    QRegion visible = QRegion(clientOnScreen(w)) & QRect(s.left, s.top, s.width(), s.height());
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other != w->window() && !minimised(other)) {
            visible -= other->frameGeometry();
        }
    }
    for (const QRect& r : visible) {
        rects.push_back(toDisplay(r));
    }
    return true;
}

void QtWindowSystem::screenChanged() {
    if (painting_) {
        return;
    }
    for (const QPointer<Layer>& layer : layers_) {
        if (!layer.isNull()) {
            layer->update();
        }
    }
}

bool QtWindowSystem::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (w == nullptr) {
        return false;
    }
    if (event->type() == QEvent::Paint && !painting_) {
        // The window paints its client area anew: what it filled before is
        // painted over, and whatever it fills now counts from here. Its
        // layer is painted after it in the same pass, so fills made meanwhile
        // need no further update (that would only paint the window again).
        display_.forgetFills(toDisplay(clientOnScreen(w)));
        painting_ = true;
        static_cast<QObject*>(w)->event(event);
        painting_ = false;
        return true;
    }
    if (event->type() == QEvent::Resize) {
        for (const QPointer<Layer>& layer : layers_) {
            if (!layer.isNull() && layer->window() == w) {
                layer->setGeometry(w->rect());
                layer->lower();
            }
        }
    }
    return false;
}

}  // namespace zelkor::vcard

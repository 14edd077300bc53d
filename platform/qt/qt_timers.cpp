#include <QObject>
#include <QTimer>
#include <map>
#include <utility>

#include "platform/qt/services.h"

namespace zelkor::platform {

namespace {

// Each timer is a QTimer child of one holder object. A timer killed from any
// callback (its own included) is stopped at once and deleted later, so the
// QTimer that is emitting never disappears under its own feet; destroying the
// holder takes the stragglers with it.
class QtTimers : public Timers {
  public:
    void setTimer(TimerOwner owner, uint32_t id, uint32_t periodMs,
                  TimerCallback callback) override {
        const Key key{owner, id};
        const int interval = int(effectiveTimerPeriod(periodMs));
        auto it = timers_.find(key);
        if (it != timers_.end()) {
            it->second.callback = std::move(callback);
            it->second.timer->start(interval);  // restarts the period from now
            return;
        }
        auto* timer = new QTimer(&holder_);
        QObject::connect(timer, &QTimer::timeout, &holder_, [this, key] { fire(key); });
        timers_.emplace(key, Entry{timer, std::move(callback)});
        timer->start(interval);
    }

    void killTimer(TimerOwner owner, uint32_t id) override {
        auto it = timers_.find({owner, id});
        if (it == timers_.end()) {
            return;
        }
        it->second.timer->stop();
        it->second.timer->deleteLater();
        timers_.erase(it);
    }

  private:
    using Key = std::pair<TimerOwner, uint32_t>;
    struct Entry {
        QTimer* timer;
        TimerCallback callback;
    };

    void fire(const Key& key) {
        auto it = timers_.find(key);
        if (it == timers_.end()) {
            return;
        }
        // A copy, since the callback may reset or kill its own timer.
        const TimerCallback callback = it->second.callback;
        callback();
    }

    QObject holder_;
    std::map<Key, Entry> timers_;
};

}  // namespace

std::unique_ptr<Timers> makeQtTimers() {
    return std::make_unique<QtTimers>();
}

}  // namespace zelkor::platform

#include "gui/viewer/qt_scheduler.h"

#include <algorithm>
#include <climits>

namespace drv {

QtScheduler::QtScheduler(std::function<void()> onFire, QObject* parent) : QObject(parent), onFire_(std::move(onFire)) {
    timer_.setSingleShot(true);
    // A coarse timer may be off by 5 %, which at 72 ms per frame is visible judder.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (onFire_) onFire_();
    });
}

void QtScheduler::schedule(std::int64_t delayMs) {
    timer_.start(static_cast<int>(std::clamp<std::int64_t>(delayMs, 0, INT_MAX)));
}

void QtScheduler::cancel() { timer_.stop(); }

}  // namespace drv

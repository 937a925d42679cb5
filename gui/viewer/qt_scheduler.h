#pragma once
// The playback timer: one precise single-shot QTimer behind the Scheduler interface.
#include <QObject>
#include <QTimer>
#include <functional>

#include "core/viewer/playback.h"

namespace drv {

class QtScheduler final : public QObject, public Scheduler {
    Q_OBJECT
public:
    explicit QtScheduler(std::function<void()> onFire, QObject* parent = nullptr);
    // The callback may be given later, once the object it calls exists.
    void setCallback(std::function<void()> onFire) { onFire_ = std::move(onFire); }

    void schedule(std::int64_t delayMs) override;
    void cancel() override;

private:
    QTimer timer_;
    std::function<void()> onFire_;
};

}  // namespace drv

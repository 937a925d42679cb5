#pragma once
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <memory>

namespace drv::test {

// Lets events run for `ms` milliseconds.
inline void waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Lets events run until `done()` holds or `ms` milliseconds have passed.
template <typename Pred>
bool waitUntil(Pred done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        waitMs(20);
    }
    return true;
}

// Counts the emissions of a signal.
template <typename Sender, typename Signal>
std::shared_ptr<int> countEmissions(Sender* sender, Signal signal) {
    auto count = std::make_shared<int>(0);
    QObject::connect(sender, signal, sender, [count](auto&&...) { ++*count; });
    return count;
}

}  // namespace drv::test

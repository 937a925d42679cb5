#pragma once
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

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

}  // namespace drv::test

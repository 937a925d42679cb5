#pragma once
// The 640 x 480 JPEG whose decode is the baseline of the per-frame budgets: a dark road-like
// scene with sensor noise, so it carries about as much detail as a night frame from the
// recorder (a smooth gradient would decode unrealistically fast).
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <random>

namespace drv::bench {

inline const QByteArray& NightFrameJpeg() {
    static const QByteArray data = [] {
        QImage img(640, 480, QImage::Format_RGB888);
        QPainter p(&img);
        QLinearGradient sky(0, 0, 0, 480);
        sky.setColorAt(0, QColor(20, 24, 40));
        sky.setColorAt(0.5, QColor(60, 55, 50));
        sky.setColorAt(1, QColor(35, 35, 35));
        p.fillRect(img.rect(), sky);
        p.setBrush(QColor(90, 90, 80));
        p.drawPolygon(QPolygon({QPoint(0, 480), QPoint(280, 240), QPoint(360, 240), QPoint(640, 480)}));
        p.setPen(QPen(QColor(200, 190, 120), 6));
        p.drawLine(320, 250, 320, 480);
        p.end();
        std::mt19937 rng(7);
        for (int y = 0; y < 480; ++y) {
            uchar* row = img.scanLine(y);
            for (int x = 0; x < 640 * 3; ++x) row[x] = uchar(std::clamp(int(row[x]) + int(rng() % 17) - 8, 0, 255));
        }
        QByteArray out;
        QBuffer buf(&out);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "JPEG", 85);
        return out;
    }();
    return data;
}

}  // namespace drv::bench

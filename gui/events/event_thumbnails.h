#pragma once
// Small pictures for the event list: decoded at their display size on worker threads,
// only when a row asks (the view asks for the rows on screen), kept in a bounded cache.
#include <QCache>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <deque>
#include <optional>

namespace drv {

class EventThumbnails : public QObject {
    Q_OBJECT
public:
    // `box`: the largest picture, in device-independent pixels; `maxBytes`: the cache's bound.
    explicit EventThumbnails(QSize box, qsizetype maxBytes = 8 * 1024 * 1024, QObject* parent = nullptr);
    ~EventThumbnails() override;

    // The picture of `file` when it has been decoded (a null pixmap when it cannot be);
    // nothing yet otherwise, and a decode is asked for.
    std::optional<QPixmap> get(const QString& file);

    QSize box() const { return box_; }

signals:
    void ready(const QString& file);

private:
    void startNext();
    void finished(const QString& file, const QImage& image);

    QSize box_;
    qreal pixelRatio_ = 1;
    QCache<QString, QPixmap> cache_;
    QSet<QString> waiting_;      // queued or being decoded
    std::deque<QString> queue_;  // newest last: the rows just painted come first
    int running_ = 0;
    QThreadPool pool_;
};

// Decodes `file` scaled while decoding to fit `box` (in pixels) with its aspect kept.
// Null when it cannot be decoded.
QImage DecodeScaledPicture(const QString& file, QSize box);

}  // namespace drv

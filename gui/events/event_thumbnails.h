#pragma once
// Small pictures for the event list: decoded at their display size on worker threads,
// only when a row asks (the view asks for the rows on screen), kept in a bounded cache.
#include <QCache>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QSize>
#include <QByteArray>
#include <QThreadPool>
#include <deque>
#include <filesystem>
#include <optional>

namespace drv {

class EventThumbnails : public QObject {
    Q_OBJECT
public:
    // `box`: the largest picture, in device-independent pixels; `maxBytes`: the cache's bound.
    explicit EventThumbnails(QSize box, qsizetype maxBytes = 8 * 1024 * 1024, QObject* parent = nullptr);
    ~EventThumbnails() override;

    // Files are named by their path's bytes (`std::filesystem::path::native()`), so that names
    // that are not UTF-8 keep them.
    // The picture of `file` when it has been decoded (a null pixmap when it cannot be);
    // nothing yet otherwise, and a decode is asked for.
    std::optional<QPixmap> get(const QByteArray& file);

signals:
    void ready(const QByteArray& file);

private:
    void startNext();
    void finished(const QByteArray& file, const QImage& image);

    QSize box_;
    qreal pixelRatio_ = 1;
    QCache<QByteArray, QPixmap> cache_;
    QSet<QByteArray> waiting_;      // queued or being decoded
    std::deque<QByteArray> queue_;  // newest last: the rows just painted come first
    int running_ = 0;
    QThreadPool pool_;
};

// Decodes `file` scaled while decoding to fit `box` (in pixels) with its aspect kept.
// Null when it cannot be decoded.
QImage DecodeScaledPicture(const std::filesystem::path& file, QSize box);

}  // namespace drv

#include "gui/events/event_thumbnails.h"

#include <QGuiApplication>

#include "gui/common/picture_file.h"

namespace drv {
namespace {

constexpr int kWorkers = 2;
// Requests beyond this many are the rows scrolled past longest ago: dropped.
constexpr std::size_t kMaxQueued = 64;

}  // namespace

QImage DecodeScaledPicture(const std::filesystem::path& file, QSize box) {
    // Scaled while decoding to the first size at or above the box, then down to it.
    QImage image =
        DecodePictureFileAtLeast(file, [box](QSize natural) { return natural.scaled(box, Qt::KeepAspectRatio); }).image;
    if (!image.isNull() && (image.width() > box.width() || image.height() > box.height()))
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

EventThumbnails::EventThumbnails(QSize box, qsizetype maxBytes, QObject* parent)
    : QObject(parent), box_(box), cache_(maxBytes) {
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) pixelRatio_ = app->devicePixelRatio();
    pool_.setMaxThreadCount(kWorkers);
}

EventThumbnails::~EventThumbnails() {
    // Results still on their way to this object are dropped with it.
    queue_.clear();
    pool_.waitForDone();
}

std::optional<QPixmap> EventThumbnails::get(const QByteArray& file) {
    if (const QPixmap* cached = cache_.object(file)) return *cached;
    if (!waiting_.contains(file)) {
        waiting_.insert(file);
        queue_.push_back(file);
        if (queue_.size() > kMaxQueued) {
            waiting_.remove(queue_.front());
            queue_.pop_front();
        }
        startNext();
    }
    return std::nullopt;
}

void EventThumbnails::startNext() {
    while (running_ < kWorkers && !queue_.empty()) {
        const QByteArray file = queue_.back();
        queue_.pop_back();
        ++running_;
        const QSize pixels = (QSizeF(box_) * pixelRatio_).toSize();
        pool_.start([this, file, pixels] {
            const QImage image = DecodeScaledPicture(file.toStdString(), pixels);
            // This object outlives the pool's tasks: its destructor waits for them.
            QMetaObject::invokeMethod(
                this, [this, file, image] { finished(file, image); }, Qt::QueuedConnection);
        });
    }
}

void EventThumbnails::finished(const QByteArray& file, const QImage& image) {
    --running_;
    waiting_.remove(file);
    auto* pixmap = new QPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
    pixmap->setDevicePixelRatio(pixelRatio_);
    const qsizetype bytes = std::max<qsizetype>(1, qsizetype(image.sizeInBytes()));
    cache_.insert(file, pixmap, bytes);
    startNext();
    emit ready(file);
}

}  // namespace drv

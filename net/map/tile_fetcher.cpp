#include "net/map/tile_fetcher.h"

#include "core/common/version.h"

#include <QDateTime>
#include <QEventLoop>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <utility>
#include <cmath>

#include "core/common/file_write.h"

namespace drv {

TileDiskCache::TileDiskCache(QString folder, std::uint64_t budgetBytes)
    : folder_(std::move(folder)), budget_(budgetBytes) {}

QString TileDiskCache::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/drviewer/tiles");
}

std::optional<QByteArray> TileDiskCache::read(const std::string& name) {
    if (folder_.isEmpty()) return std::nullopt;
    QFile file(folder_ + QLatin1Char('/') + QString::fromStdString(name));
    if (!file.open(QIODevice::ReadOnly) || file.size() > static_cast<qint64>(kMaxTileBytes)) return std::nullopt;
    QByteArray bytes = file.readAll();
    file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    return bytes;
}

void TileDiskCache::scan() {
    scanned_ = true;
    used_ = 0;
    QDirIterator it(folder_, {QStringLiteral("*.tile")}, QDir::Files);
    while (it.hasNext()) {
        it.next();
        used_ += static_cast<std::uint64_t>(it.fileInfo().size());
    }
}

std::uint64_t TileDiskCache::bytesUsed() {
    if (!scanned_) scan();
    return used_;
}

void TileDiskCache::write(const std::string& name, const QByteArray& bytes) {
    if (folder_.isEmpty() || !QDir().mkpath(folder_)) return;
    if (!scanned_) scan();
    const QString path = folder_ + QLatin1Char('/') + QString::fromStdString(name);
    const qint64 before = QFileInfo(path).exists() ? QFileInfo(path).size() : 0;
    if (!ReplaceFileContents(path.toStdString(), std::string_view(bytes.constData(), bytes.size()))) return;
    used_ = used_ - std::min<std::uint64_t>(used_, before) + static_cast<std::uint64_t>(bytes.size());
    if (used_ <= budget_) return;
    // Over the bound: drop the least recently used files until the rest fits.
    std::vector<CachedTileFile> files;
    QDirIterator it(folder_, {QStringLiteral("*.tile")}, QDir::Files);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        files.push_back({info.fileName().toStdString(), static_cast<std::uint64_t>(info.size()),
                         info.lastModified().toMSecsSinceEpoch()});
    }
    for (const std::string& old : TilesToEvict(files, budget_))
        QFile::remove(folder_ + QLatin1Char('/') + QString::fromStdString(old));
    scan();
}

namespace {

// A tile's picture ready to draw, or a null picture for bytes that are not a tile.
QImage DecodeTile(const QByteArray& bytes) {
    if (!LooksLikeTile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))) return {};
    QImage image;
    if (!image.loadFromData(bytes)) return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

TileFetcher::TileFetcher(QString cacheFolder, QObject* parent)
    : QObject(parent), disk_(std::make_unique<TileDiskCache>(std::move(cacheFolder))), memory_(kMemoryBytes) {
    worker_.setMaxThreadCount(1);
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &TileFetcher::pump);
    connect(&network_, &QNetworkAccessManager::finished, this, &TileFetcher::finished);
    // Tiles come from the server or the disk cache, never from Qt's own caches.
    network_.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

TileFetcher::~TileFetcher() {
    abortAll();
    // Jobs not yet begun are dropped; the one under way ends (a cache write is whole or absent),
    // and its queued answer dies with this object.
    worker_.clear();
    worker_.waitForDone();
}

void TileFetcher::abortAll() {
    // Taken out first: an abort reports its reply at once, and such a reply is no longer ours.
    const auto replies = std::exchange(replies_, {});
    requested_.clear();
    for (QNetworkReply* reply : replies.keys()) {
        reply->abort();
        reply->deleteLater();
    }
}

QByteArray TileFetcher::userAgent() {
    return QByteArray("drviewer/") + ProgramVersion() + " (drive recorder viewer; map tiles)";
}

QString TileFetcher::key(const TileId& t) const {
    return QString::fromStdString(server_.urlTemplate) + QStringLiteral("|%1/%2/%3").arg(t.z).arg(t.x).arg(t.y);
}

void TileFetcher::setServer(const TileServer& server) {
    if (server.urlTemplate == server_.urlTemplate && server.kind == server_.kind) return;
    server_ = server;
    ++generation_;
    queue_.clear();
    abortAll();
    worker_.clear();
    wanted_.clear();
    lookups_.clear();
    notOnDisk_.clear();
    decoding_.clear();
    missing_.clear();
    failures_ = 0;
    waitMs_ = 0;
    retry_.stop();
    setFailing(false);
    emit changed();
}

const QImage* TileFetcher::tile(const TileId& t) const {
    if (server_.kind == TileServerKind::None) return nullptr;
    return memory_.object(key(WrappedTile(t)));
}

void TileFetcher::want(const std::vector<TileId>& tiles) {
    queue_.clear();
    wanted_.clear();
    if (server_.kind == TileServerKind::None) return;
    bool missingAny = false;
    for (const TileId& raw : tiles) {
        const TileId t = WrappedTile(raw);
        const QString k = key(t);
        if (memory_.contains(k) || missing_.contains(k)) continue;
        missingAny = true;
        wanted_.insert(k);
        if (requested_.contains(k) || lookups_.contains(k) || decoding_.contains(k)) continue;
        // The disk cache first (on the worker); the network only for what it does not have.
        if (notOnDisk_.contains(k)) queue_.push_back(t);
        else lookUp(t);
    }
    if (!missingAny && failing_) setFailing(false);
    pump();
}

template <typename Work>
void TileFetcher::onWorker(const TileId& t, QSet<QString>& pending, Work work,
                           void (TileFetcher::*done)(const TileId&, const QImage&)) {
    pending.insert(key(t));
    worker_.start([this, disk = disk_.get(), name = TileCacheName(server_.urlTemplate, t), t, g = generation_, &pending,
                   work = std::move(work), done] {
        const QImage image = work(*disk, name);
        QMetaObject::invokeMethod(
            this,
            [this, g, t, image, &pending, done] {
                if (g != generation_) return;  // another server since: its sets were cleared
                pending.remove(key(t));
                (this->*done)(t, image);
            },
            Qt::QueuedConnection);
    });
}

void TileFetcher::lookUp(const TileId& t) {
    onWorker(
        t, lookups_,
        [](TileDiskCache& disk, const std::string& name) {
            const auto bytes = disk.read(name);
            return bytes ? DecodeTile(*bytes) : QImage();
        },
        &TileFetcher::lookedUp);
}

void TileFetcher::lookedUp(const TileId& t, const QImage& image) {
    const QString k = key(t);
    if (!image.isNull()) {
        remember(k, image);
    } else {
        notOnDisk_.insert(k);
        if (wanted_.contains(k) && !requested_.contains(k)) {
            queue_.push_back(t);
            pump();
        }
    }
    settled(!image.isNull());
}

void TileFetcher::decode(const TileId& t, QByteArray bytes) {
    onWorker(
        t, decoding_,
        [bytes = std::move(bytes)](TileDiskCache& disk, const std::string& name) {
            const QImage image = DecodeTile(bytes);
            if (!image.isNull()) disk.write(name, bytes);
            return image;
        },
        &TileFetcher::decoded);
}

void TileFetcher::decoded(const TileId& t, const QImage& image) {
    const QString k = key(t);
    if (image.isNull()) {
        missing_.insert(k);  // not a picture
    } else {
        failures_ = 0;
        waitMs_ = 0;
        remember(k, image);
    }
    settled(!image.isNull());
}

void TileFetcher::remember(const QString& k, const QImage& image) {
    notOnDisk_.remove(k);
    auto* kept = new QImage(image);
    memory_.insert(k, kept, static_cast<qint64>(kept->sizeInBytes()));
}

void TileFetcher::settled(bool newTile) {
    if (newTile && failing_ && queue_.empty() && replies_.isEmpty() && lookups_.isEmpty() && decoding_.isEmpty())
        setFailing(false);
    // Also when the work runs out, so that a caller waiting for it hears of it.
    if (newTile || !busy()) emit changed();
}

void TileFetcher::pump() {
    if (server_.kind == TileServerKind::None) return;
    if (waitMs_ > 0 && sinceFailure_.isValid()) {
        const qint64 left = waitMs_ - sinceFailure_.elapsed();
        if (left > 0) {
            if (!retry_.isActive()) retry_.start(static_cast<int>(left));
            return;
        }
    }
    while (!queue_.empty() && replies_.size() < kMaxInFlight) {
        const TileId t = queue_.front();
        queue_.pop_front();
        const QString k = key(t);
        if (requested_.contains(k) || decoding_.contains(k) || memory_.contains(k)) continue;
        QNetworkRequest request(QUrl(QString::fromStdString(TileUrl(server_.urlTemplate, t))));
        request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        request.setTransferTimeout(30000);
        QNetworkReply* reply = network_.get(request);
        // A reply that grows past the largest tile is cut off at once.
        connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
            if (received > static_cast<qint64>(kMaxTileBytes)) reply->abort();
        });
        replies_.insert(reply, t);
        requested_.insert(k);
    }
}

void TileFetcher::fail(std::optional<std::int64_t> retryAfterSeconds) {
    ++failures_;
    waitMs_ = static_cast<qint64>(std::llround(BackoffMilliseconds(failures_, retryAfterSeconds) * backoffScale_));
    sinceFailure_.start();
    setFailing(true);
}

void TileFetcher::finished(QNetworkReply* reply) {
    reply->deleteLater();
    const auto found = replies_.find(reply);
    if (found == replies_.end()) return;
    const TileId t = found.value();
    replies_.erase(found);
    const QString k = key(t);
    requested_.remove(k);

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 404) {
        // No tile there (the sea, beyond the server's area): the grid shows, nothing to retry.
        missing_.insert(k);
    } else if (status == 429 || status >= 500 ||
               (reply->error() != QNetworkReply::NoError && reply->error() != QNetworkReply::OperationCanceledError)) {
        std::optional<std::int64_t> retryAfter;
        bool ok = false;
        const qint64 seconds = reply->rawHeader("Retry-After").trimmed().toLongLong(&ok);
        if (ok) retryAfter = seconds;
        fail(retryAfter);
        queue_.push_front(t);  // asked again once the wait is over
    } else if (reply->error() == QNetworkReply::OperationCanceledError) {
        missing_.insert(k);  // cut off: larger than any tile
    } else {
        decode(t, reply->readAll());  // checked, decoded and cached on the worker
    }
    pump();
    if (!busy()) emit changed();
}

void TileFetcher::setFailing(bool failing) {
    if (failing_ == failing) return;
    failing_ = failing;
    emit changed();
}

QImage RenderMapWithTiles(const MapScene& scene, TileFetcher& fetcher, int frame, int timeoutMs) {
    fetcher.setServer(scene.server);
    if (scene.server.kind != TileServerKind::None && scene.track && scene.track->hasPositions()) {
        fetcher.want(VisibleTiles(scene.view, scene.server.maxZoom));
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&fetcher, &TileFetcher::changed, &loop, [&] {
            if (!fetcher.busy()) loop.quit();
        });
        deadline.start(timeoutMs);
        if (fetcher.busy()) loop.exec();
    }
    MapScene shown = scene;
    shown.tilesFailed = fetcher.failing() || fetcher.busy();
    return RenderMapPicture(shown, &fetcher, frame);
}

}  // namespace drv

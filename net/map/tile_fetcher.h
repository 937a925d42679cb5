#pragma once
// Background tiles for the map: a bounded disk cache in the XDG cache folder that also serves
// an offline machine, and a fetcher over Qt Network that never blocks the interface thread
// (at most four requests in flight, backing off after errors, dropping replies that are not
// pictures or are too large) and keeps a bounded number of decoded tiles in memory. The disk
// cache is read and written, and every tile decoded, on the fetcher's own worker thread.
#include <QByteArray>
#include <QCache>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "core/map/tile_rules.h"
#include "draw/map/map_picture.h"

class QNetworkReply;

namespace drv {

// Files named by TileCacheName in one folder, at most `budgetBytes` together; the least
// recently used go first. Reads and writes are whole files (writes through the safe writer).
// Not thread-safe: the fetcher uses it from one worker at a time.
class TileDiskCache {
public:
    explicit TileDiskCache(QString folder, std::uint64_t budgetBytes = kDefaultTileCacheBytes);
    // $XDG_CACHE_HOME/drviewer/tiles (~/.cache/drviewer/tiles), shared by the viewer and drtool.
    static QString defaultFolder();

    const QString& folder() const { return folder_; }
    std::optional<QByteArray> read(const std::string& name);  // marks the file as used
    void write(const std::string& name, const QByteArray& bytes);
    std::uint64_t bytesUsed();

private:
    void scan();
    QString folder_;
    std::uint64_t budget_;
    std::uint64_t used_ = 0;
    bool scanned_ = false;
};

class TileFetcher : public QObject, public MapTileLookup {
    Q_OBJECT
public:
    static constexpr int kMaxInFlight = 4;
    static constexpr qint64 kMemoryBytes = 96ll * 1024 * 1024;  // some 380 decoded tiles

    explicit TileFetcher(QString cacheFolder = TileDiskCache::defaultFolder(), QObject* parent = nullptr);
    ~TileFetcher() override;

    // The server whose tiles are wanted; None stops all network use and forgets the queue.
    void setServer(const TileServer& server);
    const TileServer& server() const { return server_; }
    // The tiles the view needs, most wanted first (x may be unwrapped); replaces what was
    // wanted before, so a fast pan does not fetch the tiles it has left.
    void want(const std::vector<TileId>& tiles);

    const QImage* tile(const TileId& tile) const override;
    // The server could not be reached or answered with errors, and tiles are missing.
    bool failing() const { return failing_; }
    int inFlight() const { return static_cast<int>(replies_.size()); }
    // Work still to come now: disk lookups, decodes, requests (not those waiting out a backoff).
    bool busy() const {
        return !replies_.isEmpty() || !lookups_.isEmpty() || !decoding_.isEmpty() ||
               (!queue_.empty() && !retry_.isActive());
    }
    int tilesInMemory() const { return memory_.count(); }
    // The User-Agent every request sends: the program and its version.
    static QByteArray userAgent();
    // For tests: the base of the backoff, in milliseconds per failure step.
    void setBackoffScale(double scale) { backoffScale_ = scale; }

signals:
    // New tiles are at hand, or failing() changed: the map should draw again.
    void changed();

private:
    void pump();
    void abortAll();
    void finished(QNetworkReply* reply);
    void fail(std::optional<std::int64_t> retryAfterSeconds);
    // Worker jobs: read the tile from the disk cache, or check and store a reply; both decode
    // there and hand the picture (null: none) back to lookedUp / decoded by a queued call.
    void lookUp(const TileId& tile);
    void decode(const TileId& tile, QByteArray bytes);
    void lookedUp(const TileId& tile, const QImage& image);
    void decoded(const TileId& tile, const QImage& image);
    // Runs `work(disk, cacheName)` on the worker with the tile in `pending` meanwhile; `done`
    // gets its picture on this thread, unless the server has changed since.
    template <typename Work>
    void onWorker(const TileId& tile, QSet<QString>& pending, Work work,
                  void (TileFetcher::*done)(const TileId&, const QImage&));
    void remember(const QString& key, const QImage& image);
    void settled(bool newTile);
    QString key(const TileId& tile) const;
    void setFailing(bool failing);

    QNetworkAccessManager network_;
    std::unique_ptr<TileDiskCache> disk_;  // used on the worker only
    QThreadPool worker_;                   // one thread, so the disk cache sees one job at a time
    std::uint64_t generation_ = 0;         // a new server makes results still under way stale
    TileServer server_;
    std::deque<TileId> queue_;
    QHash<QNetworkReply*, TileId> replies_;
    QSet<QString> wanted_;     // what the view asked for last
    QSet<QString> lookups_;    // being read from the disk cache
    QSet<QString> notOnDisk_;  // looked up and not there: the network's turn
    QSet<QString> requested_;  // in flight
    QSet<QString> decoding_;   // replies being checked and decoded
    QSet<QString> missing_;    // 404s and replies that were not tiles: not asked again
    mutable QCache<QString, QImage> memory_;
    int failures_ = 0;
    QElapsedTimer sinceFailure_;
    qint64 waitMs_ = 0;
    QTimer retry_;
    double backoffScale_ = 1.0;
    bool failing_ = false;
};

// The map picture with the background tiles the fetcher can get within `timeoutMs` (from its
// disk cache first), for `drtool map`: waits in a local event loop, so only for tools.
QImage RenderMapWithTiles(const MapScene& scene, TileFetcher& fetcher, int frame, int timeoutMs = 30000);

}  // namespace drv

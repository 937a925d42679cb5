#include "net/report/report_tiles.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace drv {

bool FetchReportMapTiles(ReportMap& map, const std::function<bool()>& keepGoing, int timeoutMs,
                         const QString& cacheFolder) {
    if (!map.wantsTiles()) return true;
    TileFetcher fetcher(cacheFolder);
    fetcher.setServer(map.scene().server);
    fetcher.want(VisibleTiles(map.scene().view));
    QElapsedTimer waited;
    waited.start();
    while (fetcher.busy() && waited.elapsed() < timeoutMs && (!keepGoing || keepGoing())) {
        QEventLoop loop;
        QTimer::singleShot(100, &loop, &QEventLoop::quit);
        QObject::connect(&fetcher, &TileFetcher::changed, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const bool complete = !fetcher.failing() && !fetcher.busy();
    map.keepTiles(fetcher, !complete);
    return complete;
}

std::function<QString(QPainter&, const QRectF&)> ReportMapWithTiles(const Recording& recording,
                                                                    const TileServer& background, bool* complete,
                                                                    const std::function<bool()>& keepGoing,
                                                                    const QString& cacheFolder) {
    auto map = std::make_shared<ReportMap>(recording, background);
    const bool all = FetchReportMapTiles(*map, keepGoing, 20000, cacheFolder);
    if (complete) *complete = all;
    return ReportMapPainter(std::move(map));
}

}  // namespace drv

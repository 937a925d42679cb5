#pragma once
// The report map's background tiles, fetched (disk cache first) on the calling thread before
// the pages are painted. The viewer calls it on its worker thread, drtool on its own.
#include <QString>
#include <functional>

#include "draw/report/report_map.h"
#include "net/map/tile_fetcher.h"

namespace drv {

// Fetches the tiles `map` shows and keeps them in it; a map that wants none is left alone and
// nothing touches the network. Waits at most `timeoutMs`; `keepGoing` is asked every tenth of a
// second and stops the wait when it says no. True when every tile was had.
bool FetchReportMapTiles(ReportMap& map, const std::function<bool()>& keepGoing = {}, int timeoutMs = 20000,
                         const QString& cacheFolder = TileDiskCache::defaultFolder());

// Page 1's map hook (ReportLook::paintMap) for `recording` on `background`, its tiles fetched
// first as above; `complete`, when given, tells whether every tile was had.
std::function<QString(QPainter&, const QRectF&)> ReportMapWithTiles(
    const Recording& recording, const TileServer& background, bool* complete = nullptr,
    const std::function<bool()>& keepGoing = {}, const QString& cacheFolder = TileDiskCache::defaultFolder());

}  // namespace drv

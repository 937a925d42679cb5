#pragma once
// The track map on page 1 of the report: the map's own picture (grid or tiles, the track by
// speed, the trigger's mark, legend, scale bar, attribution) painted as vectors into the page,
// so lines and text stay sharp at the printer's resolution. The tiles are fetched beforehand
// by whoever has the network and kept here, so painting never waits.
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <tuple>

#include "core/recording/recording.h"
#include "draw/map/map_picture.h"

namespace drv {

// The map in its own pixels; at full size one is a quarter of a millimetre on paper, which
// keeps the map's labels and tiles at the size they have on screen.
inline constexpr int kReportMapWidth = 720;
inline constexpr int kReportMapHeight = 224;
inline constexpr double kReportMapPixelMm = 0.25;

class ReportMap final : public MapTileLookup {
public:
    // The recording's whole track fitted to the map; `server` None draws the plain grid.
    ReportMap(const Recording& recording, const TileServer& server);
    ReportMap(const ReportMap&) = delete;
    ReportMap& operator=(const ReportMap&) = delete;

    const MapScene& scene() const { return scene_; }
    // Tiles are wanted: a background server and a track to put it under.
    bool wantsTiles() const;
    // Keeps copies of the view's tiles that `from` has; `failed` shows the map's note that
    // some could not be had.
    void keepTiles(const MapTileLookup& from, bool failed);
    int tilesKept() const { return static_cast<int>(tiles_.size()); }

    const QImage* tile(const TileId& tile) const override;

    // Paints the map scaled into `area` (device units); returns the line to print under it.
    QString paint(QPainter& painter, const QRectF& area) const;

private:
    Track track_;
    MapScene scene_;
    std::map<std::tuple<int, int, int>, QImage> tiles_;
};

// The report's map hook (ReportLook::paintMap) for a prepared map.
std::function<QString(QPainter&, const QRectF&)> ReportMapPainter(std::shared_ptr<const ReportMap> map);

}  // namespace drv

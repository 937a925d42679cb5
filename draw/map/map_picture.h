#pragma once
// Drawing the map without widgets: the background (tiles or a plain grid), the track coloured
// by speed with its legend, the scale bar, the attribution and the notes, the marker of the
// frame on screen, and the event list's pins. The window and `drtool map` draw through these.
#include <QImage>
#include <QPainter>
#include <QString>
#include <optional>
#include <vector>

#include "core/map/tile_rules.h"
#include "core/map/track.h"
#include "core/map/web_mercator.h"

namespace drv {

// The tiles at hand (in memory); a missing tile is drawn as grid.
class MapTileLookup {
public:
    virtual ~MapTileLookup() = default;
    // The server's tile (x wrapped); nullptr when it is not at hand.
    virtual const QImage* tile(const TileId& tile) const = 0;
};

inline const QString kNoPositionText = QStringLiteral("位置情報がありません");
inline const QString kTilesUnavailableText = QStringLiteral("地図を取得できません");

struct MapScene {
    const Track* track = nullptr;
    MapView view;
    TileServer server;         // None: the plain grid
    bool tilesFailed = false;  // shows the one-line note
};

// The attribution a server's tiles need on the map ("出典：国土地理院"); for a server of the
// user's own its host, so a saved picture still says where the background came from.
QString MapAttribution(const TileServer& server);

// Everything but the marker, into a picture of view.width x view.height. A track without any
// position draws only the no-position text.
void DrawMapBase(QPainter& painter, const MapScene& scene, const MapTileLookup* tiles);

// The marker of `frame`: an arrow in the direction of travel, a dot when there is none; nothing
// when the frame has no position. Returns the rectangle it covered (empty for nothing).
QRect DrawMapMarker(QPainter& painter, const Track& track, const MapView& view, int frame);
// The rectangle DrawMapMarker would cover.
QRect MapMarkerBounds(const Track& track, const MapView& view, int frame);

// Base and marker in one picture (frame 0: no marker), as the window shows it.
QImage RenderMapPicture(const MapScene& scene, const MapTileLookup* tiles, int frame);

// The event list's pins.
struct MapPin {
    WorldPoint world;
    double peakG = 0;  // the peak acceleration's magnitude
};
void DrawMapPins(QPainter& painter, const MapView& view, const std::vector<MapPin>& pins, int selected);
// The pin under the screen point (the topmost when pins overlap), or -1.
int MapPinAt(const MapView& view, const std::vector<MapPin>& pins, double sx, double sy);
// The view that shows every pin.
MapView FitPins(const std::vector<MapPin>& pins, int width, int height);

// The background alone (tiles or grid, attribution, note), for the event list's map.
void DrawMapBackground(QPainter& painter, const MapView& view, const TileServer& server, const MapTileLookup* tiles,
                       bool tilesFailed);

}  // namespace drv

#include "gui/map/track_map.h"

#include <QPainter>

#include "net/map/tile_fetcher.h"

namespace drv {

TrackMap::TrackMap(TileFetcher* tiles, QWidget* parent) : MapWidget(tiles, parent) {
    setObjectName(QStringLiteral("trackMap"));
}

void TrackMap::setTrack(Track track, int frame) {
    track_ = std::move(track);
    frame_ = frame;
    fit();
}

void TrackMap::fit() { setView(FitTrack(track_, width(), height(), 40, server_.maxZoom)); }

void TrackMap::setServer(const TileServer& server) {
    server_ = server;
    setView(view());
}

void TrackMap::setCurrentFrame(int frame) {
    if (frame == frame_) return;
    update(MapMarkerBounds(track_, view(), frame_));
    frame_ = frame;
    update(MapMarkerBounds(track_, view(), frame_));
}

void TrackMap::drawBase(QPainter& painter) {
    MapScene scene;
    scene.track = &track_;
    scene.view = view();
    scene.server = server_;
    scene.tilesFailed = tiles() && tiles()->failing() && server_.kind != TileServerKind::None;
    DrawMapBase(painter, scene, tiles());
}

QRect TrackMap::drawOverlay(QPainter& painter) { return DrawMapMarker(painter, track_, view(), frame_); }

}  // namespace drv

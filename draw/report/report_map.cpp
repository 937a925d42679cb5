#include "draw/report/report_map.h"

#include "core/map/track_source.h"

namespace drv {

ReportMap::ReportMap(const Recording& recording, const TileServer& server) : track_(RecordingTrack(recording)) {
    scene_.track = &track_;
    scene_.server = server;
    scene_.view = FitTrack(track_, kReportMapWidth, kReportMapHeight);
}

bool ReportMap::wantsTiles() const { return scene_.server.kind != TileServerKind::None && track_.hasPositions(); }

void ReportMap::keepTiles(const MapTileLookup& from, bool failed) {
    for (const TileId& visible : VisibleTiles(scene_.view)) {
        const TileId t = WrappedTile(visible);
        if (const QImage* image = from.tile(t); image && !image->isNull()) tiles_[{t.z, t.x, t.y}] = *image;
    }
    scene_.tilesFailed = failed;
}

const QImage* ReportMap::tile(const TileId& t) const {
    const auto found = tiles_.find({t.z, t.x, t.y});
    return found == tiles_.end() ? nullptr : &found->second;
}

QString ReportMap::paint(QPainter& painter, const QRectF& area) const {
    painter.save();
    painter.translate(area.topLeft());
    painter.scale(area.width() / kReportMapWidth, area.height() / kReportMapHeight);
    DrawMapBase(painter, scene_, this);
    painter.restore();
    if (!track_.hasPositions()) return {};
    return track_.trigger ? QStringLiteral("S：記録の始め　E：記録の終わり　黄色の印：トリガーの地点")
                          : QStringLiteral("S：記録の始め　E：記録の終わり");
}

std::function<QString(QPainter&, const QRectF&)> ReportMapPainter(std::shared_ptr<const ReportMap> map) {
    return [map = std::move(map)](QPainter& painter, const QRectF& area) { return map->paint(painter, area); };
}

}  // namespace drv

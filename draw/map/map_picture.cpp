#include "draw/map/map_picture.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>
#include <algorithm>
#include <cmath>

#include "draw/common/ui_font.h"

namespace drv {
namespace {

QColor toColor(const Rgb& c) { return QColor(c.r, c.g, c.b); }

QPointF screen(const MapView& v, const WorldPoint& w) {
    double x = 0, y = 0;
    v.toScreen(w, x, y);
    return {x, y};
}

const QColor kGridPaper(242, 240, 235);
const QColor kGridLine(214, 210, 200);
const QColor kTriggerYellow = toColor(kYellow);

// A label on a white, slightly transparent box, so it reads on any background.
void boxedText(QPainter& p, const QRectF& box, const QString& text, int flags = Qt::AlignCenter) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawRect(box);
    p.setPen(QColor(30, 30, 30));
    p.drawText(box, flags, text);
}

void drawGridAndTiles(QPainter& p, const MapView& view, const TileServer& server, const MapTileLookup* tiles) {
    p.fillRect(QRect(0, 0, view.width, view.height), kGridPaper);
    const int z = TileZoomFor(view.zoom, server.maxZoom);
    const double side = kTileSize * std::exp2(view.zoom - z);
    const double n = std::exp2(z);
    const bool useTiles = server.kind != TileServerKind::None && tiles;
    p.setPen(QPen(kGridLine, 1));
    for (const TileId& t : VisibleTiles(view, server.maxZoom)) {
        const QPointF topLeft = screen(view, {t.x / n, t.y / n});
        const QRectF target(topLeft, QSizeF(side, side));
        const QImage* image = useTiles ? tiles->tile(WrappedTile(t)) : nullptr;
        if (image && !image->isNull()) {
            // Whole pixels, so neighbouring tiles meet without hairline seams.
            const QRect snapped(QPoint(qFloor(target.left()), qFloor(target.top())),
                                QPoint(qCeil(target.right()) - 1, qCeil(target.bottom()) - 1));
            p.drawImage(snapped, *image);
        } else {
            p.setBrush(Qt::NoBrush);
            p.drawRect(target);
            // a finer grid inside the tile, so that a pan shows movement at any zoom
            QPen fine(kGridLine, 1, Qt::DotLine);
            p.setPen(fine);
            p.drawLine(QPointF(target.center().x(), target.top()), QPointF(target.center().x(), target.bottom()));
            p.drawLine(QPointF(target.left(), target.center().y()), QPointF(target.right(), target.center().y()));
            p.setPen(QPen(kGridLine, 1));
        }
    }
}

void drawDecorations(QPainter& p, const MapView& view, const TileServer& server, bool tilesFailed) {
    // North up, always: a small arrow at the top left.
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF north(24, 30);
    QPolygonF arrow;
    arrow << north + QPointF(0, -16) << north + QPointF(8, 8) << north + QPointF(0, 3) << north + QPointF(-8, 8);
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(QColor(40, 40, 40));
    p.drawPolygon(arrow);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.drawPolygon(arrow);
    p.setFont(JapaneseUiFont(12, true));
    p.drawText(QRectF(north.x() - 10, north.y() + 8, 20, 16), Qt::AlignCenter, QStringLiteral("N"));

    // The scale bar at the bottom left, measured at the view's centre.
    const double mpp = MetresPerPixel(LatitudeOfWorldY(view.centre.y), view.zoom);
    const ScaleBar bar = ChooseScaleBar(mpp, std::min(150.0, view.width / 3.0));
    if (bar.pixels > 0) {
        const QString label = bar.metres >= 1000 ? QStringLiteral("%1 km").arg(bar.metres / 1000)
                                                 : QStringLiteral("%1 m").arg(bar.metres);
        const double x0 = 12, y0 = view.height - 14;
        boxedText(p, QRectF(x0 - 6, y0 - 24, bar.pixels + 12, 32), QString());
        p.setPen(QPen(QColor(30, 30, 30), 2));
        p.drawLine(QPointF(x0, y0), QPointF(x0 + bar.pixels, y0));
        p.drawLine(QPointF(x0, y0 - 6), QPointF(x0, y0));
        p.drawLine(QPointF(x0 + bar.pixels, y0 - 6), QPointF(x0 + bar.pixels, y0));
        p.setFont(JapaneseUiFont(12));
        p.drawText(QRectF(x0, y0 - 22, bar.pixels, 16), Qt::AlignLeft | Qt::AlignVCenter, label);
    }

    p.setFont(JapaneseUiFont(12));
    const QFontMetrics fm(p.font());
    const QString attribution = MapAttribution(server);
    if (!attribution.isEmpty()) {
        const int w = fm.horizontalAdvance(attribution) + 10;
        boxedText(p, QRectF(view.width - w, view.height - 18, w, 18), attribution);
    }
    if (tilesFailed) {
        const int w = fm.horizontalAdvance(kTilesUnavailableText) + 16;
        boxedText(p, QRectF((view.width - w) / 2.0, 6, w, 20), kTilesUnavailableText);
    }
}

void drawLegend(QPainter& p, const MapView& view) {
    p.setFont(JapaneseUiFont(11));
    const QFontMetrics fm(p.font());
    const int barW = 150, barH = 10;
    const QRectF box(view.width - barW - 30, 8, barW + 22, 66);
    boxedText(p, box, QString());
    p.setPen(QColor(30, 30, 30));
    p.drawText(QRectF(box.left() + 6, box.top() + 2, barW, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("速度 (km/h)"));
    const QRectF bar(box.left() + 11, box.top() + 20, barW, barH);
    QLinearGradient g(bar.topLeft(), bar.topRight());
    for (float v = 0; v <= kSpeedScaleTop; v += 10) g.setColorAt(v / kSpeedScaleTop, toColor(SpeedColour(v)));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRect(bar);
    p.setPen(QColor(30, 30, 30));
    for (float v = 0; v <= kSpeedScaleTop; v += kSpeedLegendStep) {
        const double x = bar.left() + bar.width() * v / kSpeedScaleTop;
        p.drawLine(QPointF(x, bar.bottom()), QPointF(x, bar.bottom() + 3));
        const QString t = v >= kSpeedScaleTop ? QStringLiteral("%1+").arg(v) : QString::number(v);
        const int tw = fm.horizontalAdvance(t);
        p.drawText(QPointF(x - tw / 2.0, bar.bottom() + 4 + fm.ascent()), t);
    }
    // the brake sample: a thick stroke
    const double y = box.bottom() - 10;
    p.setPen(QPen(QColor(90, 90, 90), 7, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(box.left() + 11, y), QPointF(box.left() + 35, y));
    p.setPen(QColor(30, 30, 30));
    p.drawText(QRectF(box.left() + 40, y - 8, barW, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("太線：ブレーキ"));
}

constexpr double kLineWidth = 4;
constexpr double kBrakeWidth = 9;

void drawTrack(QPainter& p, const Track& track, const MapView& view) {
    p.setRenderHint(QPainter::Antialiasing, true);
    const auto runs = TrackRuns(track);
    // A white casing first, so the colours read on any background.
    for (const auto& [first, last] : runs) {
        QPolygonF line;
        for (int f = first; f <= last; ++f) line << screen(view, track.at(f)->world);
        p.setPen(QPen(Qt::white, kLineWidth + 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        if (line.size() == 1) p.drawPoint(line.front());
        else p.drawPolyline(line);
    }
    for (const auto& [first, last] : runs) {
        if (first == last) {
            const TrackPoint* pt = track.at(first);
            p.setPen(QPen(toColor(SpeedColour(pt->sample.speed)), pt->sample.brake ? kBrakeWidth : kLineWidth,
                          Qt::SolidLine, Qt::RoundCap));
            p.drawPoint(screen(view, pt->world));
            continue;
        }
        QPointF previous = screen(view, track.at(first)->world);
        for (int f = first; f < last; ++f) {
            const TrackPoint* a = track.at(f);
            const QPointF next = screen(view, track.at(f + 1)->world);
            // Each step takes the colour and the brake of the frame it starts from.
            p.setPen(QPen(toColor(SpeedColour(a->sample.speed)), a->sample.brake ? kBrakeWidth : kLineWidth,
                          Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(previous, next);
            previous = next;
        }
    }

    // Start (green circle), end (dark square), trigger (the chart's yellow diamond).
    p.setFont(JapaneseUiFont(11, true));
    if (const TrackPoint* s = track.at(track.firstFrame)) {
        const QPointF c = screen(view, s->world);
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(QColor(20, 150, 60));
        p.drawEllipse(c, 8, 8);
        p.setPen(Qt::white);
        p.drawText(QRectF(c.x() - 8, c.y() - 8, 16, 16), Qt::AlignCenter, QStringLiteral("S"));
    }
    if (const TrackPoint* e = track.at(track.lastFrame); e && track.lastFrame != track.firstFrame) {
        const QPointF c = screen(view, e->world);
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(QColor(40, 40, 40));
        p.drawRect(QRectF(c.x() - 8, c.y() - 8, 16, 16));
        p.setPen(Qt::white);
        p.drawText(QRectF(c.x() - 8, c.y() - 8, 16, 16), Qt::AlignCenter, QStringLiteral("E"));
    }
    if (track.trigger) {
        const QPointF c = screen(view, track.at(*track.trigger)->world);
        QPolygonF diamond;
        diamond << c + QPointF(0, -11) << c + QPointF(11, 0) << c + QPointF(0, 11) << c + QPointF(-11, 0);
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(kTriggerYellow);
        p.drawPolygon(diamond);
        p.setPen(Qt::black);
        p.drawText(QRectF(c.x() - 8, c.y() - 8, 16, 16), Qt::AlignCenter, QStringLiteral("!"));
    }
}

constexpr int kMarkerReach = 17;  // pixels from the point to the marker's farthest edge

}  // namespace

QString MapAttribution(const TileServer& server) {
    if (server.kind == TileServerKind::None) return {};
    if (!server.attribution.empty()) return QString::fromStdString(server.attribution);
    return QStringLiteral("地図：%1").arg(QString::fromStdString(TileHost(server.urlTemplate)));
}

void DrawMapBackground(QPainter& painter, const MapView& view, const TileServer& server, const MapTileLookup* tiles,
                       bool tilesFailed) {
    painter.save();
    drawGridAndTiles(painter, view, server, tiles);
    drawDecorations(painter, view, server, tilesFailed);
    painter.restore();
}

void DrawMapBase(QPainter& p, const MapScene& scene, const MapTileLookup* tiles) {
    p.save();
    const MapView& view = scene.view;
    if (!scene.track || !scene.track->hasPositions()) {
        p.fillRect(QRect(0, 0, view.width, view.height), kGridPaper);
        p.setPen(QColor(60, 60, 60));
        p.setFont(JapaneseUiFont(16));
        p.drawText(QRect(0, 0, view.width, view.height), Qt::AlignCenter, kNoPositionText);
        p.restore();
        return;
    }
    drawGridAndTiles(p, view, scene.server, tiles);
    drawTrack(p, *scene.track, view);
    drawLegend(p, view);
    drawDecorations(p, view, scene.server, scene.tilesFailed);
    p.restore();
}

QRect MapMarkerBounds(const Track& track, const MapView& view, int frame) {
    const TrackPoint* pt = track.at(frame);
    if (!pt) return {};
    const QPointF c = screen(view, pt->world);
    return QRect(qFloor(c.x()) - kMarkerReach - 2, qFloor(c.y()) - kMarkerReach - 2, 2 * kMarkerReach + 5,
                 2 * kMarkerReach + 5);
}

QRect DrawMapMarker(QPainter& p, const Track& track, const MapView& view, int frame) {
    const TrackPoint* pt = track.at(frame);
    if (!pt) return {};
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF c = screen(view, pt->world);
    p.translate(c);
    const QColor fill(0, 110, 230);
    if (const auto heading = TravelHeading(track, frame)) {
        p.rotate(*heading);  // clockwise from north, as the screen's y runs down
        QPolygonF arrow;
        arrow << QPointF(0, -15) << QPointF(10, 11) << QPointF(0, 5) << QPointF(-10, 11);
        p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(fill);
        p.drawPolygon(arrow);
    } else {
        p.setPen(QPen(Qt::white, 2.5));
        p.setBrush(fill);
        p.drawEllipse(QPointF(0, 0), 8, 8);
    }
    p.restore();
    return MapMarkerBounds(track, view, frame);
}

QImage RenderMapPicture(const MapScene& scene, const MapTileLookup* tiles, int frame) {
    QImage image(std::max(1, scene.view.width), std::max(1, scene.view.height), QImage::Format_RGB32);
    QPainter p(&image);
    DrawMapBase(p, scene, tiles);
    if (scene.track && frame > 0) DrawMapMarker(p, *scene.track, scene.view, frame);
    p.end();
    return image;
}

void DrawMapPins(QPainter& p, const MapView& view, const std::vector<MapPin>& pins, int selected) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    auto pin = [&](int i) {
        const QPointF c = screen(view, pins[static_cast<std::size_t>(i)].world);
        const bool chosen = i == selected;
        const double r = chosen ? 9 : 6;
        QPainterPath path;
        path.moveTo(c);
        path.lineTo(c + QPointF(-r * 0.8, -r * 1.6));
        path.arcTo(QRectF(c.x() - r, c.y() - r * 3.2, 2 * r, 2 * r), 200, -220);
        path.closeSubpath();
        p.setPen(QPen(chosen ? QColor(0, 0, 0) : QColor(60, 60, 60), chosen ? 2.5 : 1.2));
        p.setBrush(toColor(PeakAccelColour(pins[static_cast<std::size_t>(i)].peakG)));
        p.drawPath(path);
    };
    for (int i = 0; i < static_cast<int>(pins.size()); ++i)
        if (i != selected) pin(i);
    if (selected >= 0 && selected < static_cast<int>(pins.size())) pin(selected);
    p.restore();
}

int MapPinAt(const MapView& view, const std::vector<MapPin>& pins, double sx, double sy) {
    // A pin's head stands above its point.
    for (int i = static_cast<int>(pins.size()) - 1; i >= 0; --i) {
        const QPointF c = screen(view, pins[static_cast<std::size_t>(i)].world);
        if (std::abs(sx - c.x()) <= 9 && sy <= c.y() + 2 && sy >= c.y() - 28) return i;
    }
    return -1;
}

MapView FitPins(const std::vector<MapPin>& pins, int width, int height) {
    if (pins.empty()) {
        MapView v;
        v.width = width, v.height = height, v.zoom = 1;
        return v;
    }
    WorldPoint a{1, 1}, b{0, 0};
    for (const MapPin& pin : pins) {
        a.x = std::min(a.x, pin.world.x), a.y = std::min(a.y, pin.world.y);
        b.x = std::max(b.x, pin.world.x), b.y = std::max(b.y, pin.world.y);
    }
    return FitView(a, b, width, height, 40, 15);
}

}  // namespace drv

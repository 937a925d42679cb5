#include "core/map/web_mercator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace drv {

WorldPoint ProjectToWorld(double latitude, double longitude) {
    const double lat = std::clamp(latitude, -kMercatorMaxLatitude, kMercatorMaxLatitude) * std::numbers::pi / 180;
    WorldPoint p;
    p.x = (longitude + 180.0) / 360.0;
    p.y = (1.0 - std::log(std::tan(lat) + 1.0 / std::cos(lat)) / std::numbers::pi) / 2.0;
    return p;
}

double LatitudeOfWorldY(double y) {
    return std::atan(std::sinh(std::numbers::pi * (1.0 - 2.0 * y))) * 180.0 / std::numbers::pi;
}

double LongitudeOfWorldX(double x) { return x * 360.0 - 180.0; }

TileId TileAt(double latitude, double longitude, int z) {
    const WorldPoint p = ProjectToWorld(latitude, longitude);
    const int n = 1 << z;
    auto index = [n](double v) { return std::clamp(static_cast<int>(std::floor(v * n)), 0, n - 1); };
    return {z, index(p.x), index(p.y)};
}

double MetresPerPixel(double latitude, double zoom) {
    const double lat = std::clamp(latitude, -kMercatorMaxLatitude, kMercatorMaxLatitude) * std::numbers::pi / 180;
    return 2 * std::numbers::pi * kEarthRadiusMetres * std::cos(lat) / (kTileSize * std::exp2(zoom));
}

double MapView::worldPixels() const { return kTileSize * std::exp2(zoom); }

void MapView::toScreen(const WorldPoint& w, double& sx, double& sy) const {
    const double s = worldPixels();
    sx = (w.x - centre.x) * s + width / 2.0;
    sy = (w.y - centre.y) * s + height / 2.0;
}

WorldPoint MapView::toWorld(double sx, double sy) const {
    const double s = worldPixels();
    return {centre.x + (sx - width / 2.0) / s, centre.y + (sy - height / 2.0) / s};
}

void MapView::zoomAbout(double sx, double sy, double steps) {
    const WorldPoint anchor = toWorld(sx, sy);
    zoom = std::clamp(zoom + steps, double(kMinMapZoom), double(kMaxMapZoom));
    const double s = worldPixels();
    centre.x = anchor.x - (sx - width / 2.0) / s;
    centre.y = anchor.y - (sy - height / 2.0) / s;
}

void MapView::panBy(double dx, double dy) {
    const double s = worldPixels();
    centre.x -= dx / s;
    centre.y = std::clamp(centre.y - dy / s, 0.0, 1.0);
}

MapView FitView(const WorldPoint& topLeft, const WorldPoint& bottomRight, int width, int height, int margin,
                double maxZoom) {
    MapView v;
    v.width = width;
    v.height = height;
    v.centre = {(topLeft.x + bottomRight.x) / 2, (topLeft.y + bottomRight.y) / 2};
    const double w = std::max(1, width - 2 * margin), h = std::max(1, height - 2 * margin);
    const double dx = bottomRight.x - topLeft.x, dy = bottomRight.y - topLeft.y;
    double zoom = maxZoom;
    if (dx > 0 || dy > 0) {
        // worldPixels * extent <= available, in both directions
        const double scale = std::min(dx > 0 ? w / dx : 1e300, dy > 0 ? h / dy : 1e300);
        zoom = std::log2(scale / kTileSize);
    }
    v.zoom = std::clamp(zoom, double(kMinMapZoom), maxZoom);
    return v;
}

int TileZoomFor(double zoom, int maxTileZoom) {
    return std::clamp(static_cast<int>(std::lround(zoom)), kMinMapZoom,
                      std::clamp(maxTileZoom, kMinMapZoom, kMaxMapZoom));
}

std::vector<TileId> VisibleTiles(const MapView& view, int maxTileZoom) {
    const int z = TileZoomFor(view.zoom, maxTileZoom);
    const int n = 1 << z;
    const WorldPoint a = view.toWorld(0, 0), b = view.toWorld(view.width, view.height);
    const int x0 = static_cast<int>(std::floor(a.x * n)), x1 = static_cast<int>(std::floor(b.x * n));
    const int y0 = std::max(0, static_cast<int>(std::floor(a.y * n)));
    const int y1 = std::min(n - 1, static_cast<int>(std::floor(b.y * n)));
    struct Entry {
        double distance;
        TileId id;
    };
    std::vector<Entry> entries;
    const double cx = view.centre.x * n, cy = view.centre.y * n;
    // Never more columns than the world has, however far out the view is.
    for (int x = x0; x <= std::min(x1, x0 + n - 1); ++x)
        for (int y = y0; y <= y1; ++y) {
            const double ddx = x + 0.5 - cx, ddy = y + 0.5 - cy;
            entries.push_back({ddx * ddx + ddy * ddy, {z, x, y}});
        }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& l, const Entry& r) { return l.distance < r.distance; });
    std::vector<TileId> tiles;
    tiles.reserve(entries.size());
    for (const Entry& e : entries) tiles.push_back(e.id);
    return tiles;
}

TileId WrappedTile(const TileId& tile) {
    const int n = 1 << tile.z;
    return {tile.z, ((tile.x % n) + n) % n, tile.y};
}

ScaleBar ChooseScaleBar(double metresPerPixel, double maxPixels) {
    if (!(metresPerPixel > 0) || !(maxPixels > 0)) return {};
    const double maxMetres = metresPerPixel * maxPixels;
    double power = std::pow(10.0, std::floor(std::log10(maxMetres)));
    double metres = power;
    for (double f : {5.0, 2.0, 1.0})
        if (f * power <= maxMetres) {
            metres = f * power;
            break;
        }
    return {metres, metres / metresPerPixel};
}

}  // namespace drv

#pragma once
// The map's geometry: Web Mercator as the XYZ tile servers use it (256-pixel tiles, zoom z
// has 2^z x 2^z tiles), a view onto it, and the scale bar.
#include <cstdint>
#include <vector>

namespace drv {

inline constexpr int kTileSize = 256;
inline constexpr int kMinMapZoom = 0;
inline constexpr int kMaxMapZoom = 19;
// Web Mercator stops at +-85.05112878 degrees, where the world becomes a square.
inline constexpr double kMercatorMaxLatitude = 85.0511287798066;
inline constexpr double kEarthRadiusMetres = 6378137.0;

// A point of the world square: x from 0 (180 W) to 1 (180 E), y from 0 (the northern edge)
// to 1 (the southern edge). Pixels at zoom z are these times 256 * 2^z.
struct WorldPoint {
    double x = 0;
    double y = 0;
};

WorldPoint ProjectToWorld(double latitude, double longitude);
double LatitudeOfWorldY(double y);
double LongitudeOfWorldX(double x);

struct TileId {
    int z = 0;
    int x = 0;
    int y = 0;
    friend bool operator==(const TileId&, const TileId&) = default;
};

// The tile of zoom `z` that holds the position (the usual slippy-map numbering).
TileId TileAt(double latitude, double longitude, int z);

// Ground metres that one pixel covers at `latitude` at zoom `zoom` (fractional zooms too).
double MetresPerPixel(double latitude, double zoom);

// What the window shows: the world point at the centre of a width x height picture at a
// (fractional) zoom. North is always up.
struct MapView {
    WorldPoint centre{0.5, 0.5};
    double zoom = 1;
    int width = 0;
    int height = 0;

    double worldPixels() const;  // the world square's side in pixels
    void toScreen(const WorldPoint& w, double& sx, double& sy) const;
    WorldPoint toWorld(double sx, double sy) const;
    // Zooms by `steps` (fractional; +1 doubles the scale) keeping the world point under the
    // screen point where it is, clamped to the zoom range.
    void zoomAbout(double sx, double sy, double steps);
    void panBy(double dx, double dy);  // the picture moves by (dx, dy) pixels
};

// The view that shows the box [topLeft, bottomRight] with `margin` pixels around it, at the
// largest zoom that fits (at most `maxZoom`; a single point gets maxZoom).
MapView FitView(const WorldPoint& topLeft, const WorldPoint& bottomRight, int width, int height, int margin,
                double maxZoom = 17);

// The tile zoom for a view zoom: the nearest whole level, so tiles are drawn at 0.7x..1.4x;
// never past `maxTileZoom` (the server's closest tiles, drawn larger beyond it).
int TileZoomFor(double zoom, int maxTileZoom = kMaxMapZoom);

// The tiles that cover the view at TileZoomFor(view.zoom, maxTileZoom), y inside the world, x
// as columns on screen (it may run past the date line: WrappedTile names the server's tile).
// Nearest the centre first, so that the fetcher asks for those first.
std::vector<TileId> VisibleTiles(const MapView& view, int maxTileZoom = kMaxMapZoom);
TileId WrappedTile(const TileId& tile);

// A scale bar of a round length (1, 2 or 5 times a power of ten metres) no longer than
// `maxPixels` at `metresPerPixel`.
struct ScaleBar {
    double metres = 0;
    double pixels = 0;
};
ScaleBar ChooseScaleBar(double metresPerPixel, double maxPixels);

}  // namespace drv

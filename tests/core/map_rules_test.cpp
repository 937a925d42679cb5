// The map's pure rules against values worked out by hand: tiles, scale, heading, the frame
// nearest a click, gaps in the track, the tile servers and the disk cache's eviction.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "core/map/tile_rules.h"
#include "core/map/track.h"
#include "core/map/track_source.h"
#include "core/recording/recorder_values.h"
#include "core/map/web_mercator.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

TEST(WebMercator, TileNumbersMatchTheSlippyMapScheme) {
    const struct {
        const char* place;
        double lat, lon;
        int z, x, y;
    } cases[] = {{"Tokyo Station", 35.681236, 139.767125, 16, 58211, 25806},
                 {"Sydney Opera House", -33.8568, 151.2153, 12, 3768, 2457},
                 {"null island, zoom 1", 0, 0, 1, 1, 1},
                 {"the world's corner", 85.06, -180, 0, 0, 0},
                 {"beyond the edges clamps", -89.9, 180, 3, 7, 7}};
    for (const auto& c : cases) EXPECT_EQ(TileAt(c.lat, c.lon, c.z), (TileId{c.z, c.x, c.y})) << c.place;
}

TEST(WebMercator, ProjectionRoundTripsAndScaleFollowsLatitude) {
    for (double lat : {-60.0, -12.5, 0.0, 35.681236, 70.0}) {
        const WorldPoint p = ProjectToWorld(lat, 139.767125);
        EXPECT_NEAR(LatitudeOfWorldY(p.y), lat, 1e-9);
        EXPECT_NEAR(LongitudeOfWorldX(p.x), 139.767125, 1e-9);
    }
    // 2 pi 6378137 m / 256 px at the equator, zoom 0; half of cos 60 at zoom 1.
    EXPECT_NEAR(MetresPerPixel(0, 0), 156543.03392804097, 1e-6);
    EXPECT_NEAR(MetresPerPixel(60, 1), 39135.75848201025, 1e-6);
    EXPECT_NEAR(MetresPerPixel(0, 17.5), 156543.03392804097 / std::exp2(17.5), 1e-9);
}

TEST(WebMercator, FitShowsTheBoxWithItsMarginAndVisibleTilesCoverTheView) {
    const WorldPoint a = ProjectToWorld(35.70, 139.70), b = ProjectToWorld(35.65, 139.80);
    const MapView v = FitView(a, b, 1000, 800, 50);
    double ax, ay, bx, by;
    v.toScreen(a, ax, ay);
    v.toScreen(b, bx, by);
    EXPECT_NEAR(bx - ax, 900, 1e-6);  // the wider side fills the width less the margins
    EXPECT_LT(by - ay, 700);
    EXPECT_NEAR((ax + bx) / 2, 500, 1e-6);
    EXPECT_NEAR((ay + by) / 2, 400, 1e-6);
    EXPECT_EQ(FitView(a, a, 1000, 800, 50).zoom, 17);  // a single point: the closest zoom

    const auto tiles = VisibleTiles(v);
    const int z = TileZoomFor(v.zoom);
    const double tilePixels = kTileSize * std::exp2(v.zoom - z);
    const std::size_t columns = static_cast<std::size_t>(std::ceil(1000 / tilePixels)) + 1;
    const std::size_t rows = static_cast<std::size_t>(std::ceil(800 / tilePixels)) + 1;
    EXPECT_LE(tiles.size(), columns * rows);
    EXPECT_GE(tiles.size(), (columns - 1) * (rows - 1));
    const TileId centre = TileAt(LatitudeOfWorldY(v.centre.y), LongitudeOfWorldX(v.centre.x), z);
    EXPECT_EQ(tiles.front(), centre);
}

// Zooming keeps the point under the mouse; tiles across the date line wrap and never repeat a world.
TEST(WebMercator, ZoomAboutTheMouseAndTilesAcrossTheDateLine) {
    MapView v;
    v.centre = ProjectToWorld(35.68, 139.76);
    v.zoom = 15, v.width = 800, v.height = 600;
    const WorldPoint before = v.toWorld(100, 500);
    v.zoomAbout(100, 500, 1.5);
    EXPECT_DOUBLE_EQ(v.zoom, 16.5);
    const WorldPoint after = v.toWorld(100, 500);
    EXPECT_NEAR(after.x, before.x, 1e-12);
    EXPECT_NEAR(after.y, before.y, 1e-12);
    v.zoomAbout(0, 0, 100);
    EXPECT_DOUBLE_EQ(v.zoom, kMaxMapZoom);
    const double centreX = v.centre.x;
    v.panBy(256 * std::exp2(kMaxMapZoom), 0);  // the picture moves a whole world to the right
    EXPECT_NEAR(v.centre.x, centreX - 1, 1e-9);

    v.centre = {0.0, 0.5};  // on the date line
    v.zoom = 2, v.width = 600, v.height = 300;
    std::vector<int> columns;
    for (const TileId& t : VisibleTiles(v)) {
        EXPECT_GE(WrappedTile(t).x, 0);
        EXPECT_LT(WrappedTile(t).x, 4);
        columns.push_back(t.x);
    }
    EXPECT_NE(std::find(columns.begin(), columns.end(), -1), columns.end());
    v.zoom = 0, v.width = 5000;
    EXPECT_EQ(VisibleTiles(v).size(), 1u);
}

TEST(ScaleBar, IsARoundLengthThatFits) {
    struct {
        double mpp, maxPx, metres, pixels;
    } cases[] = {{1.0, 150, 100, 100},         {1.0, 250, 200, 200},  {2.0, 150, 200, 100},
                 {0.3, 150, 20, 66.666666666}, {40.0, 120, 2000, 50}, {1.0, 99, 50, 50}};
    for (const auto& c : cases) {
        const ScaleBar s = ChooseScaleBar(c.mpp, c.maxPx);
        EXPECT_DOUBLE_EQ(s.metres, c.metres) << c.mpp << " " << c.maxPx;
        EXPECT_NEAR(s.pixels, c.pixels, 1e-6);
    }
    EXPECT_EQ(ChooseScaleBar(0, 100).metres, 0);
}

// Frames along a line from (lat, lon) by (dLat, dLon) per frame; `gaps` lose their position.
std::vector<TrackSample> line(double lat, double lon, double dLat, double dLon, int frames,
                              std::initializer_list<int> gaps = {}) {
    std::vector<TrackSample> s(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        s[static_cast<std::size_t>(i)] = {true, lat + dLat * i, lon + dLon * i, 10.0f * i, i % 2 == 0};
    }
    for (int g : gaps) s[static_cast<std::size_t>(g - 1)] = {};
    return s;
}

TEST(Track, GapsSplitTheRunsAndNeverBecomePoints) {
    const Track t = BuildTrack(line(35, 139, 0.0001, 0, 10, {1, 4, 5, 10}), 4);
    EXPECT_EQ(TrackRuns(t), (std::vector<std::pair<int, int>>{{2, 3}, {6, 9}}));
    EXPECT_EQ(t.firstFrame, 2);
    EXPECT_EQ(t.lastFrame, 9);
    EXPECT_FALSE(t.trigger) << "the trigger frame has no position";
    EXPECT_EQ(t.at(4), nullptr);
    EXPECT_EQ(t.at(0), nullptr);
    EXPECT_EQ(t.at(11), nullptr);
    // The box holds the positions only, never 0 degrees.
    EXPECT_NEAR(LatitudeOfWorldY(t.topLeft.y), 35.0008, 1e-9);
    EXPECT_NEAR(LatitudeOfWorldY(t.bottomRight.y), 35.0001, 1e-9);

    std::vector<TrackSample> bad = line(35, 139, 0.0001, 0, 3);
    bad[1].latitude = NAN;
    bad[2].longitude = 181;
    EXPECT_EQ(TrackRuns(BuildTrack(bad, 1)), (std::vector<std::pair<int, int>>{{1, 1}}));
    EXPECT_FALSE(BuildTrack({}, 1).hasPositions());
}

// Clockwise from north on the ground: at 60 degrees a degree of longitude is half a degree of
// latitude on the ground.
TEST(Track, HeadingIsClockwiseFromNorthOnTheGround) {
    const struct {
        const char* name;
        double lat, dLat, dLon, degrees;
    } cases[] = {{"north", 0, 0.001, 0, 0},
                 {"east", 0, 0, 0.001, 90},
                 {"south", 10, -0.001, 0, 180},
                 {"south-west", 0, -0.001, -0.001, 225},
                 {"north-east at 60 N", 60, 0.001, 0.002, 45}};
    for (const auto& c : cases) {
        const Track t = BuildTrack(line(c.lat, 139, c.dLat, c.dLon, 5), std::nullopt);
        for (int f = 1; f <= 5; ++f) EXPECT_NEAR(*TravelHeading(t, f), c.degrees, 0.01) << c.name << " frame " << f;
    }
}

TEST(Track, HeadingUsesTheNeighboursOfTheRunAndSkipsStops) {
    // Frames 1-3 go north, 4-6 stand at one place, 7-9 go east; 10 is a gap, 11 stands alone.
    std::vector<TrackSample> s(11);
    for (int i = 0; i < 3; ++i) s[i] = {true, 0.001 * i, 0, 0, false};
    for (int i = 3; i < 6; ++i) s[i] = {true, 0.002, 0, 0, false};
    for (int i = 6; i < 9; ++i) s[i] = {true, 0.002, 0.001 * (i - 5), 0, false};
    s[10] = {true, 1, 1, 0, false};
    const Track t = BuildTrack(s, std::nullopt);
    EXPECT_NEAR(*TravelHeading(t, 2), 0, 1e-9);
    // standing still: from the last place before the stop to the first one after it
    EXPECT_NEAR(*TravelHeading(t, 5), 45, 1e-3);
    EXPECT_NEAR(*TravelHeading(t, 9), 90, 1e-9);  // the end of a run looks back
    EXPECT_FALSE(TravelHeading(t, 10));
    EXPECT_FALSE(TravelHeading(t, 11)) << "a lone point has no direction";
}

// A short track fills the window up to the background's closest tiles. 1024 pixels across
// (1104 less two margins of 40) hold a span of 2^-k of the world at zoom log2(1024 / 256 * 2^k) = k + 2.
TEST(Track, FitReachesTheServersClosestZoomAndEnlargesItsTilesBeyond) {
    struct {
        int k;  // the track spans 360 / 2^k degrees of longitude
        double none, gsi, osm;
    } cases[] = {{15, 17, 17, 17}, {16, 18, 18, 18}, {17, 19, 18, 19}, {18, 19, 18, 19}};
    const TileServer none = *TileServerByName("none"), gsi = *TileServerByName("gsi"), osm = *TileServerByName("osm");
    for (const auto& c : cases) {
        const Track t = BuildTrack(line(35, 139, 0, 360 / std::exp2(c.k), 2), std::nullopt);
        EXPECT_NEAR(FitTrack(t, 1104, 600, 40, none.maxZoom).zoom, c.none, 1e-9) << c.k;
        EXPECT_NEAR(FitTrack(t, 1104, 600, 40, gsi.maxZoom).zoom, c.gsi, 1e-9) << c.k;
        EXPECT_NEAR(FitTrack(t, 1104, 600, 40, osm.maxZoom).zoom, c.osm, 1e-9) << c.k;
    }
    // Closer than a server's tiles go, its closest tiles are drawn twice as large.
    MapView v = FitTrack(BuildTrack(line(35, 139, 0, 360 / std::exp2(18), 2), std::nullopt), 1104, 600, 40);
    EXPECT_EQ(TileZoomFor(v.zoom, gsi.maxZoom), 18);
    for (const TileId& tile : VisibleTiles(v, gsi.maxZoom)) EXPECT_EQ(tile.z, 18);
    EXPECT_LE(VisibleTiles(v, gsi.maxZoom).size(), 4u * 3u) << "512-pixel tiles over 1104 x 600";
}

TEST(Track, NearestFrameIsTheClosestPointWithinReach) {
    const Track t = BuildTrack(line(35, 139, 0, 0.0001, 20, {10}), std::nullopt);
    MapView v = FitTrack(t, 1000, 400, 0);
    double x5, y5, x10, y10;
    v.toScreen(t.at(5)->world, x5, y5);
    v.toScreen(ProjectToWorld(35, 139.0009), x10, y10);  // where frame 10 would be
    const double step = v.worldPixels() * (t.at(6)->world.x - t.at(5)->world.x);
    EXPECT_EQ(NearestFrame(t, v, x5 + 0.4 * step, y5 + 3, 20), 5);
    EXPECT_EQ(NearestFrame(t, v, x5 + 0.6 * step, y5 - 3, 20), 6);
    const auto gap = NearestFrame(t, v, x10, y10, 1000);
    ASSERT_TRUE(gap);
    EXPECT_TRUE(*gap == 9 || *gap == 11) << "never the frame without a position";
    EXPECT_FALSE(NearestFrame(t, v, x5, y5 + 30, 20));
    EXPECT_FALSE(NearestFrame(BuildTrack({}, std::nullopt), v, 0, 0, 1e9));
}

// The texts' own decoding is the decoder's table; the track takes the decoded position as is.
TEST(Track, FromARecordingReadsPositionsSpeedAndTrigger) {
    Recording r = test::BlankRecording(3);
    r.frames[1].position = {true, 35.5, 139.25}, r.frames[1].Speed = 52.3f, r.frames[1].Brake = true;
    r.frames[3].position = {true, -33.5, -151.25};
    r.state.TriggerFound = true;
    r.state.TriggerPosition = 150;
    const Track t = RecordingTrack(r);
    ASSERT_EQ(t.frameCount(), 3);
    EXPECT_EQ(std::tie(t.at(1)->sample.latitude, t.at(1)->sample.speed, t.at(1)->sample.brake),
              std::make_tuple(35.5, 52.3f, true));
    EXPECT_EQ(t.at(2), nullptr);
    EXPECT_EQ(std::tie(t.at(3)->sample.latitude, t.at(3)->sample.longitude), std::make_tuple(-33.5, -151.25));
    EXPECT_EQ(t.trigger, 3);
}

TEST(TileServers, NamesTemplatesAndHosts) {
    EXPECT_EQ(TileServerByName("none")->kind, TileServerKind::None);
    // The built-in templates are constants; each must be one a user could give.
    const auto gsi = TileServerByName("gsi");
    const auto pale = TileServerByName("gsi-pale");
    const auto osm = TileServerByName("osm");
    ASSERT_TRUE(gsi && pale && osm);
    for (const auto& s : {*gsi, *pale, *osm}) EXPECT_TRUE(CustomTileServer(s.urlTemplate)) << s.key;

    const auto own = TileServerByName("http://127.0.0.1:8080/t/{z}/{y}/{x}?k={z}");
    ASSERT_TRUE(own);
    EXPECT_EQ(own->kind, TileServerKind::Custom);
    EXPECT_EQ(TileUrl(own->urlTemplate, {3, 4, 5}), "http://127.0.0.1:8080/t/3/5/4?k=3");
    EXPECT_EQ(TileHost(own->urlTemplate), "127.0.0.1");
    EXPECT_EQ(TileHost("http://localhost:99/x"), "localhost");
    for (const char* bad : {"", "gsi2", "ftp://localhost/{z}/{x}/{y}", "http://localhost/{z}/{x}",
                            "http://localhost/{z}/{x}/{y} x", "file:///tmp/{z}/{x}/{y}.png"})
        EXPECT_FALSE(TileServerByName(bad)) << bad;

    EXPECT_NE(TileCacheName(gsi->urlTemplate, {1, 2, 3}), TileCacheName(own->urlTemplate, {1, 2, 3}));
    EXPECT_NE(TileCacheName(gsi->urlTemplate, {1, 2, 3}), TileCacheName(gsi->urlTemplate, {1, 3, 2}));
    EXPECT_EQ(TileCacheName(gsi->urlTemplate, {1, 2, 3}).find('/'), std::string::npos);
}

// A reply is taken only as a picture of at most a megabyte; a refusal waits twice as long each
// time up to five minutes, or as the server asks within that; the cache evicts the oldest tiles.
TEST(TileFetching, RepliesBackoffAndEviction) {
    const std::string png("\x89PNG\r\n\x1a\n rest", 13), jpeg("\xff\xd8\xff\xe0", 4);
    EXPECT_TRUE(LooksLikeTile(png));
    EXPECT_TRUE(LooksLikeTile(jpeg));
    EXPECT_FALSE(LooksLikeTile("<html>Too Many Requests</html>"));
    EXPECT_FALSE(LooksLikeTile(""));
    EXPECT_FALSE(LooksLikeTile(png + std::string(kMaxTileBytes, 'x')));
    EXPECT_TRUE(LooksLikeTile(png + std::string(kMaxTileBytes - png.size(), 'x')));

    const struct {
        int failures;
        std::optional<std::int64_t> retryAfter;
        std::int64_t ms;
    } refusals[] = {{0, {}, 0}, {1, {}, 1000}, {4, {}, 8000}, {40, {}, 300000}, {1, 30, 30000}, {1, 86400, 300000}};
    for (const auto& c : refusals) EXPECT_EQ(BackoffMilliseconds(c.failures, c.retryAfter), c.ms) << c.failures;

    const std::vector<CachedTileFile> files = {{"c", 300, 30}, {"a", 100, 10}, {"d", 400, 40}, {"b", 200, 20}};
    EXPECT_TRUE(TilesToEvict(files, 1000).empty());
    EXPECT_EQ(TilesToEvict(files, 999), (std::vector<std::string>{"a"}));
    EXPECT_EQ(TilesToEvict(files, 600), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(TilesToEvict(files, 0).size(), 4u);
}

}  // namespace
}  // namespace drv

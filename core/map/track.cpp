#include "core/map/track.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace drv {

const TrackPoint* Track::at(int frame) const {
    if (frame < 1 || frame > frameCount()) return nullptr;
    const TrackPoint& p = points[static_cast<std::size_t>(frame - 1)];
    return p.sample.valid ? &p : nullptr;
}

Track BuildTrack(std::vector<TrackSample> samples, std::optional<int> triggerFrame) {
    Track t;
    t.points.reserve(samples.size());
    double minX = 1, minY = 1, maxX = 0, maxY = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        TrackPoint p{samples[i], {}};
        const bool inRange = std::isfinite(p.sample.latitude) && std::isfinite(p.sample.longitude) &&
                             std::abs(p.sample.latitude) <= 90 && std::abs(p.sample.longitude) <= 180;
        p.sample.valid = p.sample.valid && inRange;
        if (p.sample.valid) {
            p.world = ProjectToWorld(p.sample.latitude, p.sample.longitude);
            minX = std::min(minX, p.world.x), maxX = std::max(maxX, p.world.x);
            minY = std::min(minY, p.world.y), maxY = std::max(maxY, p.world.y);
            const int frame = static_cast<int>(i) + 1;
            if (t.firstFrame == 0) t.firstFrame = frame;
            t.lastFrame = frame;
        }
        t.points.push_back(p);
    }
    if (t.hasPositions()) {
        t.topLeft = {minX, minY};
        t.bottomRight = {maxX, maxY};
    }
    if (triggerFrame && t.at(*triggerFrame)) t.trigger = triggerFrame;
    return t;
}

std::vector<std::pair<int, int>> TrackRuns(const Track& track) {
    std::vector<std::pair<int, int>> runs;
    for (int f = 1; f <= track.frameCount(); ++f) {
        if (!track.at(f)) continue;
        if (!runs.empty() && runs.back().second == f - 1) runs.back().second = f;
        else runs.emplace_back(f, f);
    }
    return runs;
}

namespace {

bool samePlace(const TrackPoint& a, const TrackPoint& b) {
    return a.sample.latitude == b.sample.latitude && a.sample.longitude == b.sample.longitude;
}

// Bearing of the short step a -> b on a locally flat earth: the map is conformal, so this is
// also the direction on the screen with north up.
double bearing(const TrackPoint& a, const TrackPoint& b) {
    const double latRad = (a.sample.latitude + b.sample.latitude) / 2 * std::numbers::pi / 180;
    const double east = (b.sample.longitude - a.sample.longitude) * std::cos(latRad);
    const double north = b.sample.latitude - a.sample.latitude;
    double deg = std::atan2(east, north) * 180 / std::numbers::pi;
    if (deg < 0) deg += 360;
    return deg;
}

}  // namespace

std::optional<double> TravelHeading(const Track& track, int frame) {
    const TrackPoint* here = track.at(frame);
    if (!here) return std::nullopt;
    // The neighbours within the run: the nearest earlier and later frames at another place.
    const TrackPoint* before = nullptr;
    for (int f = frame - 1; f >= 1 && track.at(f); --f)
        if (!samePlace(*track.at(f), *here)) {
            before = track.at(f);
            break;
        }
    const TrackPoint* after = nullptr;
    for (int f = frame + 1; f <= track.frameCount() && track.at(f); ++f)
        if (!samePlace(*track.at(f), *here)) {
            after = track.at(f);
            break;
        }
    if (before && after) return bearing(*before, *after);
    if (after) return bearing(*here, *after);
    if (before) return bearing(*before, *here);
    return std::nullopt;
}

std::optional<int> NearestFrame(const Track& track, const MapView& view, double sx, double sy, double maxPixels) {
    std::optional<int> best;
    double bestDistance = maxPixels * maxPixels;
    for (int f = track.firstFrame; f >= 1 && f <= track.lastFrame; ++f) {
        const TrackPoint* p = track.at(f);
        if (!p) continue;
        double px = 0, py = 0;
        view.toScreen(p->world, px, py);
        const double d = (px - sx) * (px - sx) + (py - sy) * (py - sy);
        if (d <= bestDistance && (!best || d < bestDistance)) {
            bestDistance = d;
            best = f;
        }
    }
    return best;
}

MapView FitTrack(const Track& track, int width, int height, int margin, double maxZoom) {
    if (!track.hasPositions()) {
        MapView v;
        v.width = width, v.height = height;
        return v;
    }
    return FitView(track.topLeft, track.bottomRight, width, height, margin, maxZoom);
}

namespace {

struct Stop {
    double at;
    Rgb colour;
};

Rgb interpolate(const Stop* stops, std::size_t count, double v) {
    if (v <= stops[0].at) return stops[0].colour;
    for (std::size_t i = 1; i < count; ++i) {
        if (v > stops[i].at) continue;
        const double t = (v - stops[i - 1].at) / (stops[i].at - stops[i - 1].at);
        auto mix = [t](std::uint8_t a, std::uint8_t b) {
            return static_cast<std::uint8_t>(std::lround(a + (b - a) * t));
        };
        const Rgb& a = stops[i - 1].colour;
        const Rgb& b = stops[i].colour;
        return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
    }
    return stops[count - 1].colour;
}

}  // namespace

Rgb SpeedColour(std::optional<float> kmh) {
    if (!kmh || !std::isfinite(*kmh)) return {150, 150, 150};
    static constexpr Stop stops[] = {
        {0, {40, 80, 255}}, {30, {0, 200, 220}}, {60, {40, 200, 40}}, {90, {255, 200, 0}}, {120, {230, 30, 30}}};
    return interpolate(stops, std::size(stops), *kmh);
}

Rgb PeakAccelColour(double g) {
    static constexpr Stop stops[] = {{0.2, {40, 180, 60}}, {0.4, {250, 200, 0}}, {0.6, {220, 30, 30}}};
    return interpolate(stops, std::size(stops), std::isfinite(g) ? std::abs(g) : 0.0);
}

}  // namespace drv

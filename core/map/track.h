#pragma once
// The recording's route as the map draws it: one point per frame, the runs of frames with a
// position (a frame without one is a gap, never a point at 0 degrees, 0 degrees), the
// direction of travel, the frame nearest a click, and the colour scales.
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/graphs/canvas.h"  // Rgb and the chart's colours
#include "core/map/web_mercator.h"

namespace drv {

// What the map needs of one frame.
struct TrackSample {
    bool valid = false;  // the frame has a position
    double latitude = 0;
    double longitude = 0;
    std::optional<float> speed;  // km/h as the panel shows it; nothing when it shows none
    bool brake = false;
};

struct TrackPoint {
    TrackSample sample;
    WorldPoint world;
};

struct Track {
    std::vector<TrackPoint> points;  // [frame - 1]
    std::optional<int> trigger;      // the trigger frame, when it has a position
    int firstFrame = 0;              // the first and last frames with a position; 0: none
    int lastFrame = 0;
    WorldPoint topLeft, bottomRight;  // the box around every position

    bool hasPositions() const { return firstFrame != 0; }
    int frameCount() const { return static_cast<int>(points.size()); }
    // The point of `frame` (1-based) when it has a position.
    const TrackPoint* at(int frame) const;
};

Track BuildTrack(std::vector<TrackSample> samples, std::optional<int> triggerFrame);

// The stretches of consecutive frames with a position, as (first, last) frame pairs.
std::vector<std::pair<int, int>> TrackRuns(const Track& track);

// The direction of travel at `frame` in degrees clockwise from north (0 north, 90 east), from
// the nearest earlier and later frames of the same run whose positions differ from each
// other; nothing when the frame has no position or the car does not move within its run.
std::optional<double> TravelHeading(const Track& track, int frame);

// The frame whose point lies nearest to the screen point (sx, sy), if within `maxPixels`.
std::optional<int> NearestFrame(const Track& track, const MapView& view, double sx, double sy, double maxPixels);

// The view that shows the whole track with `margin` pixels to spare, at most at `maxZoom` (the
// background's closest tiles), so that a short track fills the window.
MapView FitTrack(const Track& track, int width, int height, int margin = 40, double maxZoom = kMaxMapZoom);

// The speed scale of the track: blue at 0 km/h through cyan, green and yellow to red at
// kSpeedScaleTop and above; grey for a frame without a speed.
inline constexpr float kSpeedScaleTop = 120;
inline constexpr float kSpeedLegendStep = 30;
Rgb SpeedColour(std::optional<float> kmh);

// The event list's pins by the peak acceleration's magnitude: green below 0.2 G, yellow
// around 0.4 G, red from kPeakScaleTop on.
inline constexpr double kPeakScaleTop = 0.6;
Rgb PeakAccelColour(double g);

}  // namespace drv

#pragma once
// The track of the open recording: frames 1..N with their positions, the panel's speed and
// the brake, and the trigger frame.
#include "core/recording/recording.h"
#include "core/map/track.h"
#include "core/viewer/panel_text.h"

namespace drv {

// The frame's decoded position.
inline TrackSample FrameTrackSample(const FrameRecord& record, const RecordingState& state) {
    TrackSample s;
    s.valid = record.position.valid;
    if (s.valid) s.latitude = record.position.latitude, s.longitude = record.position.longitude;
    s.speed = ShownSpeed(record, state);
    s.brake = record.Brake;
    return s;
}

inline Track RecordingTrack(const Recording& recording) {
    std::vector<TrackSample> samples;
    const int n = std::min<int>(recording.frameCount(), static_cast<int>(recording.frames.size()) - 1);
    samples.reserve(static_cast<std::size_t>(std::max(0, n)));
    for (int f = 1; f <= n; ++f)
        samples.push_back(FrameTrackSample(recording.frames[static_cast<std::size_t>(f)], recording.state));
    return BuildTrack(std::move(samples), recording.triggerFrame());
}

}  // namespace drv

#pragma once
// The chart's four samples of a frame: accelerations at 250 per G (clamped beyond ±0.5 G),
// speed at 1.2 per km/h around 100 km/h (120 beyond 200 km/h), brake 70 or 0.
#include <array>
#include <cstdint>

#include "core/recording/frame_record.h"

namespace drv {

// Channels 0..3: longitudinal, lateral, speed (the pulse speed where this frame has no main
// speed), brake.
std::array<std::int32_t, kGraphChannels> GraphSamplesOf(const FrameRecord& record, const FrameStatus& status);

// Stores them as sample index - 1; frames outside 1..kGraphSampleCount have no place and
// store nothing.
void StoreGraphSamples(const FrameRecord& record, const FrameStatus& status, int index, GraphSampleTable& samples);

}  // namespace drv

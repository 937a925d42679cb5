#include "core/graphs/graph_samples.h"

#include "core/common/numbers.h"

namespace drv {
namespace {

std::int32_t accelSample(float accel) {
    std::int32_t sample = RoundToInt32(static_cast<double>(accel) * 1000.0 / 4.0);
    if (accel > 0.5f) sample = 125;
    if (accel < -0.5f) sample = -125;
    return sample;
}

}  // namespace

std::array<std::int32_t, kGraphChannels> GraphSamplesOf(const FrameRecord& record, const FrameStatus& status) {
    const float v = status.noMainSpeed ? record.PulseSpeed : record.Speed;
    const std::int32_t speed = v > 200.0f ? 120 : RoundToInt32((static_cast<double>(v) * 12.0 - 1200.0) / 10.0);
    return {accelSample(record.AccelLongitudinal), accelSample(record.AccelLateral), speed, record.Brake ? 70 : 0};
}

void StoreGraphSamples(const FrameRecord& record, const FrameStatus& status, int index, GraphSampleTable& samples) {
    if (index < 1 || index > kGraphSampleCount) return;
    const auto values = GraphSamplesOf(record, status);
    for (std::size_t c = 0; c < values.size(); ++c) samples[c][static_cast<std::size_t>(index - 1)] = values[c];
}

}  // namespace drv

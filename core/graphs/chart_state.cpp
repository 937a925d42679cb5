#include "core/graphs/chart_state.h"

#include <limits>

namespace drv {

void InitGraphState(ChartState& s) {
    Set1Array(s.HScaleTable, {1, 2, 3});
    Set1Array(s.VScaleTable, {10, 15, 20});
    Set1Array(s.CanvasWidthTable, {21495, 42495, 63495});
    Set1Array(s.CanvasHeightTable, {3060, 4300, 5560});
    Set1Array(s.GridLevels, {25, 50, 75, 100, 125, 150, 175, 200, 225});
    s.GridColumns.fill(0);  // slots 82..86 stay 0
    // A dotted column every five frames.
    for (int j = 0; j <= 81; ++j) s.GridColumns[j] = 5 * kUnitsPerFrame * (j + 1);

    s.HZoomIndex = 0;
    s.VZoomIndex = 0;
    s.HScale = s.PrevHScale = 1;
    s.VScale = s.PrevVScale = 10;
    s.OriginX = 200;
    s.OriginY = 200;
    s.MarkerStep = 2;
    s.MarkerSize = 20;
    s.ChannelVisible.fill(0);
    s.GridColour = kGreen;
    s.TriggerColour = kYellow;
    Set1Array(s.ChannelColour,
              {Rgb{255, 200, 0}, Rgb{0, 196, 196}, Rgb{255, 255, 255}, Rgb{208, 0, 208}, Rgb{0, 0, 255}});
}

std::int32_t CanvasWidth(const ChartState& s) {
    const std::int32_t table =
        s.CanvasWidthTable[static_cast<std::size_t>(std::clamp(s.HZoomIndex, 0, kZoomSteps - 1))];
    const std::int64_t plot = std::int64_t{s.OriginX} + std::int64_t{s.HScale} * s.GraphWidth + 295;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(plot, table, std::numeric_limits<std::int32_t>::max()));
}

const char* ChannelCaption(int i) {
    static constexpr const char* captions[kChartChannels] = {"前後方向加速度", "左右方向加速度", "車速", "ブレーキ",
                                                             "5"};
    return (i >= 0 && i < kChartChannels) ? captions[i] : "";
}

}  // namespace drv

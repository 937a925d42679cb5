#pragma once
// The strip chart's state and constant tables, as the main window holds them.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "core/recording/frame_record.h"
#include "core/graphs/canvas.h"

namespace drv {

inline constexpr int kChartChannels = 5;  // cbCh(0..4); channel 4 has no samples
inline constexpr int kZoomSteps = 3;
inline constexpr int kGridLevelCount = 9;
inline constexpr int kGridColumnSlots = 87;
// The sample table holds 441 frames; the chart never reaches past them.
inline constexpr std::int32_t kMaxGraphWidth = kUnitsPerFrame * kGraphSampleCount;

struct ChartState {
    std::int32_t GraphWidth = kStartupGraphWidth;
    std::int32_t OriginX = 200;
    std::int32_t OriginY = 200;
    std::int32_t HZoomIndex = 0;
    std::int32_t VZoomIndex = 0;
    std::int32_t HScale = 1;
    std::int32_t VScale = 10;
    std::int32_t PrevHScale = 1;
    std::int32_t PrevVScale = 10;
    std::int32_t MarkerStep = 2;
    std::int32_t MarkerSize = 20;
    Rgb GridColour = kGreen;
    Rgb TriggerColour = kYellow;
    std::array<Rgb, kChartChannels> ChannelColour{};
    std::array<std::int32_t, kChartChannels> ChannelVisible{};

    std::array<std::int32_t, kZoomSteps> HScaleTable{};
    std::array<std::int32_t, kZoomSteps> VScaleTable{};
    std::array<std::int32_t, kZoomSteps> CanvasWidthTable{};
    std::array<std::int32_t, kZoomSteps> CanvasHeightTable{};
    std::array<std::int32_t, kGridLevelCount> GridLevels{};
    std::array<std::int32_t, kGridColumnSlots> GridColumns{};

    bool operator==(const ChartState&) const = default;
};

// Copies `values`, in order, into `table` from its first entry; extra values are dropped.
template <typename T, std::size_t N>
void Set1Array(std::array<T, N>& table, std::initializer_list<T> values) {
    std::copy_n(values.begin(), std::min(N, values.size()), table.begin());
}

// Constant tables, zoom steps 0, scales, markers, colours; every channel off.
void InitGraphState(ChartState& s);

// Width of the canvas Pic1 at the current zoom step: the table's width, widened where a long
// recording's plot (up to 441 frames) would reach past it, keeping the same 295-unit margin
// the table leaves right of a 420-frame plot, so the last frames, their cursor and the
// trigger marker stay on the canvas.
std::int32_t CanvasWidth(const ChartState& s);

// Captions of cbCh(0..4) and the zoom buttons (the sources are UTF-8).
const char* ChannelCaption(int i);
inline constexpr const char* kHZoomCaption = "グラフ横拡大・縮小";
inline constexpr const char* kVZoomCaption = "↑↓";

}  // namespace drv

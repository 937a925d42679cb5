#include "core/graphs/chart_model.h"

#include <algorithm>
#include <limits>

#include "core/common/numbers.h"

namespace drv {
namespace {

std::int32_t saturate(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// Keeps the value inside the range; reports whether it moved.
bool clampValue(ScrollBarState& bar, std::int64_t v) {
    const std::int64_t lo = std::min(bar.min, bar.max), hi = std::max(bar.min, bar.max);
    const auto clamped = static_cast<std::int32_t>(std::clamp<std::int64_t>(v, lo, hi));
    if (clamped == bar.value) return false;
    bar.value = clamped;
    return true;
}

std::size_t zoomSlot(std::int32_t index) { return static_cast<std::size_t>(std::clamp(index, 0, kZoomSteps - 1)); }

}  // namespace

std::optional<std::int32_t> AutoScrollValue(std::int32_t hScale, std::int64_t frame) {
    std::int64_t keepLeft = 0;  // frames that fit before the chart starts to follow
    switch (hScale) {
        case 1: keepLeft = 100; break;
        case 2: keepLeft = 60; break;
        case 3: keepLeft = 40; break;
        default: return std::nullopt;
    }
    return saturate(frame <= keepLeft ? 0 : frame - keepLeft - 1);
}

std::int32_t ScrolledOffset(std::int32_t pic1Extent, std::int32_t pic2Extent, std::int32_t scrollMax,
                            std::int32_t value) {
    // A scroll bar without range cannot say where to go: stay at the start.
    const std::int64_t offset =
        scrollMax == 0 ? 0 : -RoundHalfEven(static_cast<double>(pic1Extent) / scrollMax * value);
    const std::int64_t minimum = std::int64_t{pic2Extent} - pic1Extent;
    return saturate(offset > minimum ? offset : minimum);
}

std::int32_t ClickedFrame(double x, std::int32_t originX, std::int32_t hScale) {
    const double column = static_cast<double>(RoundHalfEven(x - originX));
    const std::int64_t k = RoundHalfEven(column / (std::max(hScale, 1) * static_cast<double>(kUnitsPerFrame)));
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(k + 1, 1, std::numeric_limits<std::int16_t>::max()));
}

ChartModel::ChartModel(std::int32_t vScrollWidth) {
    InitGraphState();
    controls_.pic2Width += vScrollWidth - 50;
    controls_.hScroll.min = controls_.pic1Left;
    controls_.hScroll.max = static_cast<std::int16_t>(controls_.pic1Width - controls_.pic2Width);
    controls_.hScroll.largeChange = 5000;
}

void ChartModel::setGraphWidth(std::int64_t graphUnits) {
    state_.GraphWidth = static_cast<std::int32_t>(std::clamp<std::int64_t>(graphUnits, 0, kMaxGraphWidth));
}

void ChartModel::SetUpGraphs(const RecordingState& rec) {
    cursorX_.reset();
    InitGraphState();
    DrawGridZoom();  // what DrawGrid paints here is cleared by the redraw that follows
    RedrawGraphs(rec);
}

void ChartModel::RedrawGraphs(const RecordingState& rec) {
    ChartPicture pic;
    pic.state = state_;
    pic.canvasWidth = CanvasWidth(state_);
    pic.canvasHeight = state_.CanvasHeightTable[zoomSlot(state_.VZoomIndex)];
    pic.triggerPosition = rec.TriggerPosition;
    pic.samples = rec.GraphSamples;
    picture_ = std::move(pic);

    cursorX_.reset();
    ClearGraphArea();
    DrawGridZoom();
    state_.PrevHScale = state_.HScale;
    state_.PrevVScale = state_.VScale;
}

void ChartModel::ClearGraphArea() {
    ScrollBarState& h = controls_.hScroll;
    h.smallChange = 10;
    h.largeChange = 50;
    setHScrollRange(0, 400);
    ScrollBarState& v = controls_.vScroll;
    v.smallChange = 1;
    v.largeChange = 10;
    setVScrollRange(0, 255);
    setVScrollValue(255);
}

void ChartModel::DrawGridZoom() {
    state_.HScale = state_.HScaleTable[zoomSlot(state_.HZoomIndex)];
    state_.VScale = state_.VScaleTable[zoomSlot(state_.VZoomIndex)];
    controls_.pic1Width = CanvasWidth(state_);
    controls_.pic1Height = state_.CanvasHeightTable[zoomSlot(state_.VZoomIndex)];
    controls_.pic2Height = state_.CanvasHeightTable[0];
}

void ChartModel::ApplyZoom() {
    DrawGridZoom();
    setHScrollRange(0, RoundToInt16(controls_.pic1Width / 50.0));
    setVScrollRange(0, controls_.pic1Height >= 32767 ? 32767 : controls_.pic1Height);
}

void ChartModel::ShowChannel(int i) {
    if (i < 0 || i >= kChartChannels) return;
    state_.ChannelVisible[static_cast<std::size_t>(i)] = 1;
}

void ChartModel::HideChannel(int i) {
    if (i < 0 || i >= kChartChannels) return;
    state_.ChannelVisible[static_cast<std::size_t>(i)] = 0;
}

void ChartModel::ToggleChannel(int i) {
    if (i < 0 || i >= kChartChannels) return;
    if (state_.ChannelVisible[static_cast<std::size_t>(i)] != 0) HideChannel(i);
    else ShowChannel(i);
}

void ChartModel::setCursor(std::int64_t frame) {
    cursorX_ = saturate(state_.OriginX + (frame - 1) * state_.HScale * kUnitsPerFrame);
}

void ChartModel::UpdateGraphCursor(const RecordingState& rec, std::int64_t frame, bool folderOpen) {
    RedrawGraphs(rec);
    if (const auto v = AutoScrollValue(state_.HScale, frame)) setHScrollValue(*v);
    if (!folderOpen) return;  // no cursor without a recording
    setCursor(frame);
}

void ChartModel::CycleHZoom(const RecordingState& rec, std::int64_t currentFrame, bool folderOpen) {
    state_.HZoomIndex = state_.HZoomIndex + 1 > 2 ? 0 : state_.HZoomIndex + 1;
    ApplyZoom();
    RedrawGraphs(rec);
    UpdateGraphCursor(rec, currentFrame, folderOpen);
    setHScrollValue(0);
}

void ChartModel::CycleVZoom(const RecordingState& rec, std::int64_t currentFrame, bool folderOpen) {
    if (state_.VZoomIndex + 1 > 2) {
        state_.VZoomIndex = 0;
        setVScrollValue(0);
    } else {
        state_.VZoomIndex += 1;
    }
    ApplyZoom();
    RedrawGraphs(rec);
    UpdateGraphCursor(rec, currentFrame, folderOpen);
    setVScrollValue(controls_.vScroll.max);
}

void ChartModel::ShowClickedFrame(const RecordingState& rec, std::int64_t frame) {
    RedrawGraphs(rec);
    setCursor(frame);
}

void ChartModel::setHScrollValue(std::int64_t v) {
    if (clampValue(controls_.hScroll, v)) HScroll1_Change();
}

void ChartModel::setVScrollValue(std::int64_t v) {
    if (clampValue(controls_.vScroll, v)) VScroll1_Change();
}

void ChartModel::setHScrollRange(std::int32_t min, std::int32_t max) {
    controls_.hScroll.min = min;
    controls_.hScroll.max = max;
    if (clampValue(controls_.hScroll, controls_.hScroll.value)) HScroll1_Change();
}

void ChartModel::setVScrollRange(std::int32_t min, std::int32_t max) {
    controls_.vScroll.min = min;
    controls_.vScroll.max = max;
    if (clampValue(controls_.vScroll, controls_.vScroll.value)) VScroll1_Change();
}

void ChartModel::HScroll1_Change() {
    controls_.pic1Left =
        ScrolledOffset(controls_.pic1Width, controls_.pic2Width, controls_.hScroll.max, controls_.hScroll.value);
}

void ChartModel::VScroll1_Change() {
    controls_.pic1Top =
        ScrolledOffset(controls_.pic1Height, controls_.pic2Height, controls_.vScroll.max, controls_.vScroll.value);
}

}  // namespace drv

#pragma once
// The chart as the main window drives it: state, the viewport and scroll-bar geometry in
// canvas units, the cursor, and what a redraw would paint. No drawing happens here; a
// redraw records a ChartPicture that the view renders (or reuses when nothing changed).
#include <cstdint>
#include <optional>

#include "core/recording/frame_record.h"
#include "core/graphs/chart_state.h"

namespace drv {

struct ScrollBarState {
    std::int32_t min = 0;
    std::int32_t max = 32767;
    std::int32_t smallChange = 1;
    std::int32_t largeChange = 1;
    std::int32_t value = 0;
};

// Positions and sizes of Pic1 inside Pic2, in canvas units, and the two scroll bars.
struct ChartControls {
    std::int32_t pic1Left = 0;
    std::int32_t pic1Top = 0;
    std::int32_t pic1Width = 21495;
    std::int32_t pic1Height = 3060;
    std::int32_t pic2Width = 11755;
    std::int32_t pic2Height = 3100;
    ScrollBarState hScroll;
    ScrollBarState vScroll;
};

// Everything the picture of one redraw depends on. Two equal pictures paint the same pixels.
struct ChartPicture {
    ChartState state;  // as it was when the redraw began
    std::int32_t canvasWidth = 0;
    std::int32_t canvasHeight = 0;
    std::int32_t triggerPosition = 0;
    GraphSampleTable samples{};
    bool operator==(const ChartPicture&) const = default;
};

// HScroll1 value that keeps frame f in view at horizontal scale hScale; none for other scales.
std::optional<std::int32_t> AutoScrollValue(std::int32_t hScale, std::int64_t frame);
// Left edge of Pic1 for a scroll value: -round(pic1Width / max * value), but not past the
// point where the canvas's far edge meets the viewport's (the same rule serves the top edge).
std::int32_t ScrolledOffset(std::int32_t pic1Extent, std::int32_t pic2Extent, std::int32_t scrollMax,
                            std::int32_t value);
// Frame that a click at canvas x selects: the nearest column (ties to even), at least 1,
// at most 32767. It may lie beyond the last frame.
std::int32_t ClickedFrame(double x, std::int32_t originX, std::int32_t hScale);

class ChartModel {
public:
    // Start-up layout: Pic2 widened into the space of the hidden VScroll1 of `vScrollWidth`
    // units, HScroll1 range from Pic1's left edge to its overhang, large change 5000.
    explicit ChartModel(std::int32_t vScrollWidth = 255);

    const ChartState& state() const { return state_; }
    ChartState& state() { return state_; }
    const ChartControls& controls() const { return controls_; }
    // Canvas x of the white cursor line, when one is drawn.
    std::optional<std::int32_t> cursorX() const { return cursorX_; }
    // What the last redraw paints; none before the first.
    const std::optional<ChartPicture>& picture() const { return picture_; }

    // Chart length in graph units, kept within 0..50 x 441.
    void setGraphWidth(std::int64_t graphUnits);

    void InitGraphState() { drv::InitGraphState(state_); }
    void SetUpGraphs(const RecordingState& rec);
    void RedrawGraphs(const RecordingState& rec);
    void ClearGraphArea();  // its scroll-bar part
    void ApplyZoom();

    void ShowChannel(int i);
    void HideChannel(int i);
    void ToggleChannel(int i);

    void UpdateGraphCursor(const RecordingState& rec, std::int64_t frame, bool folderOpen);
    void CycleHZoom(const RecordingState& rec, std::int64_t currentFrame, bool folderOpen);
    void CycleVZoom(const RecordingState& rec, std::int64_t currentFrame, bool folderOpen);
    // The redraw and cursor of a click that selected a frame within the recording.
    void ShowClickedFrame(const RecordingState& rec, std::int64_t frame);

    // Scroll bars behave as the window system's: values stay inside the range, and a value
    // that really changes moves the canvas.
    void setHScrollValue(std::int64_t v);
    void setVScrollValue(std::int64_t v);
    void setHScrollRange(std::int32_t min, std::int32_t max);
    void setVScrollRange(std::int32_t min, std::int32_t max);
    void HScroll1_Change();
    void VScroll1_Change();

private:
    void DrawGridZoom();  // the zoom application that ends DrawGrid
    void setCursor(std::int64_t frame);

    ChartState state_;
    ChartControls controls_;
    std::optional<std::int32_t> cursorX_;
    std::optional<ChartPicture> picture_;
};

}  // namespace drv

#pragma once
// The chart's drawing routines. They only paint: the state changes that go with a redraw
// (scroll ranges, canvas sizes, previous scales) belong to ChartModel.
#include <cstdint>

#include "core/recording/frame_record.h"
#include "core/graphs/canvas.h"
#include "core/graphs/chart_state.h"

namespace drv {

// Canvas x of graph-unit position p and canvas y of level L, saturated to 32 bits.
std::int32_t CanvasX(const ChartState& s, std::int64_t p);
std::int32_t CanvasY(const ChartState& s, std::int64_t level);

// Black over the previous and the current plot area with a 300-unit margin.
void ClearGraphArea(Canvas& c, const ChartState& s);
// Red lines at levels 50 and 200 across the plot area.
void DrawReferenceLines(Canvas& c, const ChartState& s);
// Polyline of channel 0..3 through frames 1..GraphWidth/50 (at most the 441 stored samples).
void DrawSeries(Canvas& c, const ChartState& s, const GraphSampleTable& samples, int channel);
void DrawZeroArrow(Canvas& c, const ChartState& s, int channel);
// x = TriggerPosition - 50: a triangle over that column, or a left arrow when it lies beyond the chart.
void DrawTriggerMarker(Canvas& c, const ChartState& s, std::int32_t x);
// Reference point (OriginX + a*HScale + c, OriginY + b*VScale + d) in canvas units.
void DrawDownTriangle(Canvas& c, const ChartState& s, std::int32_t a, std::int32_t b, std::int32_t cx, std::int32_t dy,
                      Rgb colour);
void DrawLeftArrow(Canvas& c, const ChartState& s, std::int32_t a, std::int32_t b, std::int32_t cx, std::int32_t dy,
                   Rgb colour);
void DrawRightArrow(Canvas& c, const ChartState& s, std::int32_t a, std::int32_t b, std::int32_t cx, std::int32_t dy,
                    Rgb colour);

void DrawFrameBox(Canvas& c, const ChartState& s);
void DrawLevelDots(Canvas& c, const ChartState& s, std::int32_t level);
void DrawColumnDots(Canvas& c, const ChartState& s, std::int32_t position, Rgb colour);
void DrawTickRow(Canvas& c, const ChartState& s, std::int32_t level);
// Highest column slot DrawGrid uses: round(GraphWidth / 250 - 2), kept inside the 87 slots.
std::int32_t GridColumnCount(const ChartState& s);
// Frame box, level dots, column dots (every tenth yellow) and the three tick rows.
void DrawGrid(Canvas& c, const ChartState& s);

// The painting of a whole redraw, in order: clear, reference lines, visible channels from
// 4 down to 0 with their zero arrows, trigger marker, grid.
void PaintGraphs(Canvas& c, const ChartState& s, const GraphSampleTable& samples, std::int32_t triggerPosition);

}  // namespace drv

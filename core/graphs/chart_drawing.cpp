#include "core/graphs/chart_drawing.h"

#include <algorithm>
#include <limits>

#include "core/common/numbers.h"

namespace drv {
namespace {

std::int32_t saturate(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// Reference point shared by the marker shapes.
struct Ref {
    std::int64_t x;
    std::int64_t y;
};
Ref markerRef(const ChartState& s, std::int32_t a, std::int32_t b, std::int32_t cx, std::int32_t dy) {
    return {std::int64_t{s.OriginX} + std::int64_t{a} * s.HScale + cx,
            std::int64_t{s.OriginY} + std::int64_t{b} * s.VScale + dy};
}

void vline(Canvas& c, std::int64_t x, std::int64_t y1, std::int64_t y2, Rgb colour) {
    c.line(saturate(x), saturate(y1), saturate(x), saturate(y2), colour);
}

// Samples beyond the table are never read, whatever the chart length says.
std::int32_t lastSampleIndex(const ChartState& s) {
    const std::int64_t n = RoundHalfEven(s.GraphWidth / static_cast<double>(kUnitsPerFrame) - 1);
    return static_cast<std::int32_t>(std::min<std::int64_t>(n, kGraphSampleCount - 1));
}

}  // namespace

std::int32_t CanvasX(const ChartState& s, std::int64_t p) { return saturate(s.OriginX + s.HScale * p); }
std::int32_t CanvasY(const ChartState& s, std::int64_t level) { return saturate(s.OriginY + s.VScale * level); }

void ClearGraphArea(Canvas& c, const ChartState& s) {
    const std::int64_t w = s.GraphWidth >= 21000 ? s.GraphWidth : 21000;
    // The previous scales first, so that a larger earlier drawing leaves nothing behind.
    c.fillRectangle(0, 0, saturate(s.OriginX + s.PrevHScale * w + 300),
                    saturate(s.OriginY + std::int64_t{s.PrevVScale} * 250 + 300), kBlack);
    c.fillRectangle(0, 0, saturate(s.OriginX + s.HScale * w + 300),
                    saturate(s.OriginY + std::int64_t{s.VScale} * 250 + 300), kBlack);
}

void DrawReferenceLines(Canvas& c, const ChartState& s) {
    for (const std::int32_t level : {s.GridLevels[1], s.GridLevels[7]}) {
        const std::int32_t y = CanvasY(s, level);
        c.line(s.OriginX, y, CanvasX(s, s.GraphWidth), y, kRed);
    }
}

void DrawSeries(Canvas& c, const ChartState& s, const GraphSampleTable& samples, int channel) {
    if (channel < 0 || channel >= kGraphChannels) return;
    const auto& series = samples[static_cast<std::size_t>(channel)];
    const Rgb colour = s.ChannelColour[static_cast<std::size_t>(channel)];
    c.setPenWidth(2);
    c.point(s.OriginX, CanvasY(s, 125 - std::int64_t{series[0]}), colour);
    const std::int32_t n = lastSampleIndex(s);
    for (std::int32_t w = 1; w <= n; ++w)
        c.lineTo(CanvasX(s, std::int64_t{w} * kUnitsPerFrame), CanvasY(s, 125 - std::int64_t{series[w]}), colour);
    c.setPenWidth(1);
}

void DrawZeroArrow(Canvas& c, const ChartState& s, int channel) {
    if (channel < 0 || channel >= kChartChannels) return;
    DrawRightArrow(c, s, 0, s.GridLevels[4], -10, 0, s.ChannelColour[static_cast<std::size_t>(channel)]);
}

void DrawTriggerMarker(Canvas& c, const ChartState& s, std::int32_t x) {
    if (x >= s.GraphWidth) DrawLeftArrow(c, s, 0, 0, 0, -3 * s.MarkerSize, s.TriggerColour);
    else DrawDownTriangle(c, s, x, 0, 0, -10, s.TriggerColour);
}

void DrawDownTriangle(Canvas& c, const ChartState& s, std::int32_t a, std::int32_t b, std::int32_t cx, std::int32_t dy,
                      Rgb colour) {
    const Ref r = markerRef(s, a, b, cx, dy);
    const std::int64_t size = s.MarkerSize;
    for (std::int64_t i = 0; i <= 79; ++i) {
        const std::int64_t top = (i >= 39 && i <= 42) ? -6 * size : -4 * size;
        const std::int64_t bottom = i <= 40 ? -4 * size + 4 * ((i + 1) / 2) : -4 * ((i - 40 + 1) / 2);
        vline(c, r.x + s.MarkerStep * (i - 40), r.y + top, r.y + bottom, colour);
    }
}

void DrawLeftArrow(Canvas& c, const ChartState& s, std::int32_t a, std::int32_t b, std::int32_t cx, std::int32_t dy,
                   Rgb colour) {
    const Ref r = markerRef(s, a, b, cx, dy);
    std::int64_t h = RoundHalfEven(s.MarkerSize / 2.0);
    for (std::int64_t v = 60; v >= 41; --v) vline(c, r.x + s.MarkerStep * v, r.y - h, r.y + h, colour);
    h = RoundHalfEven(8.0 * s.MarkerSize / 2.0);
    for (std::int64_t v = 40; v >= 1; --v) {
        vline(c, r.x + s.MarkerStep * v, r.y - h, r.y + h, colour);
        h -= 2;
    }
}

void DrawRightArrow(Canvas& c, const ChartState& s, std::int32_t a, std::int32_t b, std::int32_t cx, std::int32_t dy,
                    Rgb colour) {
    const Ref r = markerRef(s, a, b, cx, dy);
    std::int64_t h = RoundHalfEven(s.MarkerSize / 2.0);
    for (std::int64_t v = 0; v <= 19; ++v) vline(c, r.x - s.MarkerStep * (60 - v), r.y - h, r.y + h, colour);
    h = RoundHalfEven(8.0 * s.MarkerSize / 2.0);
    for (std::int64_t v = 20; v <= 59; ++v) {
        vline(c, r.x - s.MarkerStep * (60 - v), r.y - h, r.y + h, colour);
        h -= 2;
    }
}

void DrawFrameBox(Canvas& c, const ChartState& s) {
    c.rectangle(s.OriginX, s.OriginY, CanvasX(s, s.GraphWidth), CanvasY(s, 250), s.GridColour);
}

void DrawLevelDots(Canvas& c, const ChartState& s, std::int32_t level) {
    const std::int32_t y = CanvasY(s, level);
    for (std::int64_t p = kUnitsPerFrame; p <= s.GraphWidth; p += kUnitsPerFrame)
        c.point(CanvasX(s, p), y, s.GridColour);
}

void DrawColumnDots(Canvas& c, const ChartState& s, std::int32_t position, Rgb colour) {
    const std::int32_t x = CanvasX(s, position);
    for (std::int64_t level = 5; level <= 250; level += 5) c.point(x, CanvasY(s, level), colour);
}

void DrawTickRow(Canvas& c, const ChartState& s, std::int32_t level) {
    const std::int32_t y1 = CanvasY(s, level);
    const std::int32_t y2 = CanvasY(s, std::int64_t{level} + 2);
    for (std::int64_t p = kUnitsPerFrame; p <= s.GraphWidth; p += kUnitsPerFrame) {
        const std::int32_t x = CanvasX(s, p);
        c.line(x, y1, x, y2, s.GridColour);
    }
}

std::int32_t GridColumnCount(const ChartState& s) {
    const std::int64_t count = RoundHalfEven(s.GraphWidth / 250.0 - 2);
    return static_cast<std::int32_t>(std::min<std::int64_t>(count, kGridColumnSlots - 1));
}

void DrawGrid(Canvas& c, const ChartState& s) {
    DrawFrameBox(c, s);
    for (const std::int32_t level : s.GridLevels) DrawLevelDots(c, s, level);
    const std::int32_t count = GridColumnCount(s);
    for (std::int32_t j = 0; j <= count; ++j)
        DrawColumnDots(c, s, s.GridColumns[static_cast<std::size_t>(j)], (j + 1) % 10 == 0 ? kYellow : kGreen);
    DrawTickRow(c, s, 0);
    DrawTickRow(c, s, s.GridLevels[5] - 1);
    DrawTickRow(c, s, 248);
}

void PaintGraphs(Canvas& c, const ChartState& s, const GraphSampleTable& samples, std::int32_t triggerPosition) {
    ClearGraphArea(c, s);
    DrawReferenceLines(c, s);
    for (int i = kChartChannels - 1; i >= 0; --i) {
        if (s.ChannelVisible[static_cast<std::size_t>(i)] != 1) continue;
        DrawSeries(c, s, samples, i);
        DrawZeroArrow(c, s, i);
    }
    DrawTriggerMarker(c, s, saturate(std::int64_t{triggerPosition} - kUnitsPerFrame));
    DrawGrid(c, s);
}

}  // namespace drv

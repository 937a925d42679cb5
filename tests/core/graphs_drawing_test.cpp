// Geometry of the chart drawing, checked on a canvas that records every primitive.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <limits>
#include <map>

#include "core/graphs/chart_drawing.h"
#include "graphs_recording_canvas.h"

namespace drv {
namespace {

using test::DrawOp;
using test::RecordingCanvas;

ChartState stateFor(int frames) {
    ChartState s;
    InitGraphState(s);
    s.GraphWidth = GraphWidthForFrames(frames);
    return s;
}

std::vector<DrawOp> opsWhere(const RecordingCanvas& c, auto pred) {
    std::vector<DrawOp> out;
    std::copy_if(c.ops.begin(), c.ops.end(), std::back_inserter(out), pred);
    return out;
}

// Column lines are the only points at level 5; map their x to their colour.
std::map<std::int32_t, Rgb> columnLines(const ChartState& s) {
    RecordingCanvas c;
    DrawGrid(c, s);
    std::map<std::int32_t, Rgb> cols;
    for (const DrawOp& op : c.ops)
        if (op.kind == DrawOp::Point && op.y1 == CanvasY(s, 5)) cols[op.x1] = op.colour;
    return cols;
}

struct ColumnCase {
    int frames;
    int lines;             // distinct x positions of column lines
    std::int32_t lastUnit; // graph unit of the rightmost column line
    bool leftEdgeLine;     // a column line on the left edge of the plot area
};

class GraphsColumnLines : public ::testing::TestWithParam<ColumnCase> {};

TEST_P(GraphsColumnLines, PlacesAndColours) {
    const ColumnCase& p = GetParam();
    const ChartState s = stateFor(p.frames);
    const auto cols = columnLines(s);
    EXPECT_EQ(static_cast<int>(cols.size()), p.lines);
    if (cols.empty()) return;
    EXPECT_EQ(cols.rbegin()->first, CanvasX(s, p.lastUnit));
    EXPECT_EQ(cols.count(s.OriginX) == 1, p.leftEdgeLine);
    for (const auto& [x, colour] : cols) {
        const std::int32_t unit = x - s.OriginX;
        if (unit == 0) continue;
        EXPECT_EQ(unit % 250, 0) << unit;
        // Every tenth column line (every 50 frames) is yellow.
        EXPECT_EQ(colour, unit % 2500 == 0 ? kYellow : kGreen) << unit;
    }
}

INSTANTIATE_TEST_SUITE_P(Frames, GraphsColumnLines,
                         ::testing::Values(ColumnCase{400, 79, 19750, false},  // count 78: slots 0..78
                                           ColumnCase{420, 83, 20500, true},   // slot 82 holds 0
                                           ColumnCase{441, 83, 20500, true},   // slots 82..86 all 0
                                           ColumnCase{1, 0, 0, false}, ColumnCase{10, 1, 250, false}));

TEST(GraphsGrid, FrameBoxLevelDotsAndTickRows) {
    const ChartState s = stateFor(400);
    RecordingCanvas c;
    DrawGrid(c, s);
    const auto rects = opsWhere(c, [](const DrawOp& o) { return o.kind == DrawOp::Rect; });
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].x1, 200);
    EXPECT_EQ(rects[0].y1, 200);
    EXPECT_EQ(rects[0].x2, 20200);
    EXPECT_EQ(rects[0].y2, 2700);
    // Level dots: one per frame on each of the nine levels, starting one frame in.
    for (const std::int32_t level : s.GridLevels) {
        const auto dots = opsWhere(c, [&](const DrawOp& o) {
            return o.kind == DrawOp::Point && o.y1 == CanvasY(s, level) && (o.x1 - 200) % 250 != 0;
        });
        EXPECT_EQ(dots.size(), 400u - 80u) << level;  // minus the x shared with column lines
    }
    // Tick rows at levels 0, 149 and 248, each two levels tall, one per frame.
    const auto ticks = opsWhere(c, [](const DrawOp& o) { return o.kind == DrawOp::Line; });
    ASSERT_EQ(ticks.size(), 3u * 400u);
    std::map<std::int32_t, int> rows;
    for (const DrawOp& t : ticks) {
        EXPECT_EQ(t.y2 - t.y1, 2 * s.VScale);
        EXPECT_EQ(t.x1, t.x2);
        EXPECT_EQ(t.colour, kGreen);
        ++rows[(t.y1 - s.OriginY) / s.VScale];
    }
    EXPECT_EQ(rows, (std::map<std::int32_t, int>{{0, 400}, {149, 400}, {248, 400}}));
    EXPECT_EQ(ticks.front().x1, 250);
    EXPECT_EQ(ticks[399].x1, 20200);
}

struct SeriesCase {
    int frames;
    std::int32_t graphWidth;  // set directly, bypassing the 441-frame limit
    std::size_t segments;
};

class GraphsSeries : public ::testing::TestWithParam<SeriesCase> {};

TEST_P(GraphsSeries, OneSegmentPerFrameNeverPastTheTable) {
    ChartState s = stateFor(1);
    s.GraphWidth = GetParam().graphWidth;
    GraphSampleTable samples{};
    for (int k = 0; k < kGraphSampleCount; ++k) samples[1][k] = k % 100;
    RecordingCanvas c;
    DrawSeries(c, s, samples, 1);
    const auto segments = opsWhere(c, [](const DrawOp& o) { return o.kind == DrawOp::Line; });
    EXPECT_EQ(segments.size(), GetParam().segments);
    ASSERT_FALSE(c.ops.empty());
    EXPECT_EQ(c.ops.front().kind, DrawOp::Point);
    for (std::size_t w = 0; w < segments.size(); ++w) {
        EXPECT_EQ(segments[w].pen, 2);
        EXPECT_EQ(segments[w].colour, s.ChannelColour[1]);
        EXPECT_EQ(segments[w].x2, CanvasX(s, 50 * static_cast<std::int64_t>(w + 1)));
        EXPECT_EQ(segments[w].y2, CanvasY(s, 125 - samples[1][w + 1]));
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, GraphsSeries,
                         ::testing::Values(SeriesCase{400, 20000, 399}, SeriesCase{1, 50, 0},
                                           SeriesCase{441, 22050, 440}, SeriesCase{600, 30000, 440},
                                           SeriesCase{0, 0, 0}));

struct LevelCase {
    std::int32_t sample;
    std::int32_t level;
};

class GraphsLevels : public ::testing::TestWithParam<LevelCase> {};

TEST_P(GraphsLevels, SampleValueToLevel) {
    const ChartState s = stateFor(400);
    GraphSampleTable samples{};
    samples[0][0] = GetParam().sample;
    RecordingCanvas c;
    DrawSeries(c, s, samples, 0);
    EXPECT_EQ(c.ops.front().y1, s.OriginY + s.VScale * GetParam().level);
}

INSTANTIATE_TEST_SUITE_P(Values, GraphsLevels,
                         ::testing::Values(LevelCase{125, 0},    // +0.5 G on the top edge
                                           LevelCase{-125, 250}, // -0.5 G on the bottom edge
                                           LevelCase{70, 55},    // brake on
                                           LevelCase{-120, 245}, // 0 km/h
                                           LevelCase{120, 5},    // 200 km/h
                                           LevelCase{0, 125}));

TEST(GraphsSeries, CorruptSampleDoesNotOverflow) {
    const ChartState s = stateFor(3);
    GraphSampleTable samples{};
    samples[2][1] = std::numeric_limits<std::int32_t>::min();
    samples[2][2] = std::numeric_limits<std::int32_t>::max();
    RecordingCanvas c;
    DrawSeries(c, s, samples, 2);
    ASSERT_EQ(c.ops.size(), 3u);
    EXPECT_EQ(c.ops[1].y2, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(c.ops[2].y2, std::numeric_limits<std::int32_t>::min());
}

// The vertical lines of a marker, as (x, top, bottom).
struct Column {
    std::int32_t x, top, bottom;
};
std::vector<Column> columns(const RecordingCanvas& c) {
    std::vector<Column> out;
    for (const DrawOp& o : c.ops) {
        EXPECT_EQ(o.kind, DrawOp::Line);
        EXPECT_EQ(o.x1, o.x2);
        out.push_back({o.x1, std::min(o.y1, o.y2), std::max(o.y1, o.y2)});
    }
    return out;
}

TEST(GraphsMarkers, TriggerTriangleTipsAtTheTriggerColumn) {
    const ChartState s = stateFor(400);
    RecordingCanvas c;
    DrawTriggerMarker(c, s, 10050 - 50);
    const auto cols = columns(c);
    ASSERT_EQ(cols.size(), 80u);
    const std::int32_t tipX = 200 + 10000, tipY = 200 - 10;
    // The tip: the columns reaching down to the reference point, ending at the trigger column.
    std::vector<std::int32_t> tip;
    for (const Column& col : cols)
        if (col.bottom == tipY) tip.push_back(col.x);
    EXPECT_EQ(tip, (std::vector<std::int32_t>{tipX - 2, tipX}));
    EXPECT_EQ(cols.front().x, tipX - 80);
    EXPECT_EQ(cols.back().x, tipX + 78);
    // A flat top 80 above the tip, with a 4-column stem rising to 120 above it.
    int stem = 0;
    for (const Column& col : cols) {
        if (col.top == tipY - 120) ++stem;
        else EXPECT_EQ(col.top, tipY - 80);
    }
    EXPECT_EQ(stem, 4);
    EXPECT_EQ(cols.front().bottom, tipY - 80);
    EXPECT_EQ(cols.back().bottom, tipY - 80);
    EXPECT_EQ(c.ops.front().colour, kYellow);
}

TEST(GraphsMarkers, TriggerBeyondTheChartDrawsTheLeftArrow) {
    const ChartState s = stateFor(150);  // GraphWidth 7500, trigger at 10000
    RecordingCanvas c;
    DrawTriggerMarker(c, s, 10050 - 50);
    const auto cols = columns(c);
    ASSERT_EQ(cols.size(), 60u);
    const std::int32_t x = 200, y = 200 - 60;
    EXPECT_EQ(cols.front().x, x + 120);  // stem from the right
    EXPECT_EQ(cols.front().top, y - 10);
    EXPECT_EQ(cols[19].x, x + 82);
    EXPECT_EQ(cols[20].x, x + 80);  // widest column of the head
    EXPECT_EQ(cols[20].top, y - 80);
    EXPECT_EQ(cols[20].bottom, y + 80);
    EXPECT_EQ(cols.back().x, x + 2);  // the tip
    EXPECT_EQ(cols.back().top, y - 2);
    EXPECT_EQ(cols.back().bottom, y + 2);
}

TEST(GraphsMarkers, TriggerOnTheLastColumnStillDrawsTheTriangle) {
    const ChartState s = stateFor(150);
    RecordingCanvas c;
    DrawTriggerMarker(c, s, 7500 - 50);
    EXPECT_EQ(c.ops.size(), 80u);
}

class GraphsZeroArrow : public ::testing::TestWithParam<int> {};

TEST_P(GraphsZeroArrow, PointsAtTheZeroLevelInTheChannelColour) {
    ChartState s = stateFor(400);
    s.VScale = s.VScaleTable[static_cast<std::size_t>(GetParam())];
    RecordingCanvas c;
    DrawZeroArrow(c, s, 3);
    const auto cols = columns(c);
    ASSERT_EQ(cols.size(), 60u);
    const std::int32_t x = 200 - 10, y = 200 + 125 * s.VScale;
    EXPECT_EQ(cols.front().x, x - 120);
    EXPECT_EQ(cols.front().top, y - 10);
    EXPECT_EQ(cols[19].x, x - 82);
    EXPECT_EQ(cols[20].x, x - 80);
    EXPECT_EQ(cols[20].bottom, y + 80);
    EXPECT_EQ(cols.back().x, x - 2);
    EXPECT_EQ(cols.back().bottom, y + 2);
    for (const DrawOp& op : c.ops) EXPECT_EQ(op.colour, (Rgb{208, 0, 208}));
}

INSTANTIATE_TEST_SUITE_P(VZoom, GraphsZeroArrow, ::testing::Values(0, 1, 2));

TEST(GraphsClear, ErasesWithThePreviousScalesFirst) {
    ChartState s = stateFor(400);
    s.PrevHScale = 3;
    s.PrevVScale = 20;
    RecordingCanvas c;
    ClearGraphArea(c, s);
    ASSERT_EQ(c.ops.size(), 2u);
    EXPECT_EQ(c.ops[0].kind, DrawOp::Fill);
    EXPECT_EQ(c.ops[0].x2, 200 + 3 * 21000 + 300);  // narrower charts erase 21000 units
    EXPECT_EQ(c.ops[0].y2, 200 + 20 * 250 + 300);
    EXPECT_EQ(c.ops[1].x2, 200 + 21000 + 300);
    EXPECT_EQ(c.ops[1].y2, 200 + 10 * 250 + 300);
    EXPECT_EQ(c.ops[1].colour, kBlack);

    s = stateFor(441);
    RecordingCanvas wide;
    ClearGraphArea(wide, s);
    EXPECT_EQ(wide.ops[1].x2, 200 + 22050 + 300);
}

TEST(GraphsRedraw, LowerChannelsDrawnLastThenTriggerThenGrid) {
    ChartState s = stateFor(400);
    s.ChannelVisible = {1, 0, 1, 1, 0};
    GraphSampleTable samples{};
    RecordingCanvas c;
    PaintGraphs(c, s, samples, 10050);
    std::vector<Rgb> seriesOrder;
    for (const DrawOp& op : c.ops)
        if (op.pen == 2 && op.kind == DrawOp::Point) seriesOrder.push_back(op.colour);
    EXPECT_EQ(seriesOrder, (std::vector<Rgb>{s.ChannelColour[3], s.ChannelColour[2], s.ChannelColour[0]}));
    // Clear first, grid box after the series and the trigger marker.
    EXPECT_EQ(c.ops[0].kind, DrawOp::Fill);
    const auto box = std::find_if(c.ops.begin(), c.ops.end(), [](const DrawOp& o) { return o.kind == DrawOp::Rect; });
    const auto trigger = std::find_if(c.ops.begin(), c.ops.end(), [](const DrawOp& o) { return o.colour == kYellow; });
    EXPECT_LT(trigger, box);
    const auto lastSeries = std::find_if(c.ops.rbegin(), c.ops.rend(), [](const DrawOp& o) { return o.pen == 2; });
    EXPECT_LT(lastSeries.base(), trigger + 1);
}

}  // namespace
}  // namespace drv

// The chart: its series on a canvas that records every primitive, the model's scrolling, zoom,
// cursor and click arithmetic, and the pixel canvas's mapping, pens and clipping.
#include <gtest/gtest.h>
#include <limits>
#include <tuple>
#include <vector>

#include "core/graphs/canvas.h"
#include "core/graphs/chart_drawing.h"
#include "core/graphs/chart_model.h"
#include "core/graphs/raster_canvas.h"

namespace drv {
namespace {

using I = std::int32_t;

struct DrawOp {
    enum Kind { Point, Line, Rect, Fill } kind;
    I x1, y1, x2, y2;
    Rgb colour;
    int pen;
};

class RecordingCanvas final : public Canvas {
public:
    void point(I x, I y, Rgb c) override { add(DrawOp::Point, x, y, x, y, c); }
    void lineTo(I x, I y, Rgb c) override { add(DrawOp::Line, lastX_, lastY_, x, y, c); }
    void line(I x1, I y1, I x2, I y2, Rgb c) override { add(DrawOp::Line, x1, y1, x2, y2, c); }
    void rectangle(I x1, I y1, I x2, I y2, Rgb c) override { add(DrawOp::Rect, x1, y1, x2, y2, c); }
    void fillRectangle(I x1, I y1, I x2, I y2, Rgb c) override { add(DrawOp::Fill, x1, y1, x2, y2, c); }
    void setPenWidth(int w) override { pen_ = w; }
    std::vector<DrawOp> ops;

private:
    void add(DrawOp::Kind k, I x1, I y1, I x2, I y2, Rgb c) {
        ops.push_back({k, x1, y1, x2, y2, c, pen_});
        lastX_ = x2, lastY_ = y2;
    }
    int pen_ = 1;
    I lastX_ = 0, lastY_ = 0;
};

ChartState stateFor(int frames) {
    ChartState s;
    InitGraphState(s);
    s.GraphWidth = kUnitsPerFrame * frames;
    return s;
}

// Sample v lies at level 125 - v: +-0.5 G on the edges, brake on 70 -> 55, 0 km/h -120 -> 245.
TEST(GraphsSeries, OneSegmentPerFrameNeverPastTheTable) {
    const struct {
        I graphWidth;
        std::size_t segments;
    } cases[] = {// widths bypass the 441-frame limit
                 {20000, 399},
                 {50, 0},
                 {22050, 440},
                 {30000, 440},
                 {0, 0}};
    GraphSampleTable samples{};
    for (int k = 0; k < kGraphSampleCount; ++k) samples[1][k] = k % 251 - 125;
    for (const auto& p : cases) {
        ChartState s = stateFor(1);
        s.GraphWidth = p.graphWidth;
        RecordingCanvas c;
        DrawSeries(c, s, samples, 1);
        ASSERT_EQ(c.ops.size(), p.segments + 1) << p.graphWidth;
        EXPECT_EQ(std::tie(c.ops[0].kind, c.ops[0].y1), std::make_tuple(DrawOp::Point, 200 + 10 * 250));
        for (std::size_t w = 0; w < p.segments; ++w) {
            const DrawOp& seg = c.ops[w + 1];
            EXPECT_TRUE(seg.kind == DrawOp::Line && seg.pen == 2 && seg.colour == s.ChannelColour[1]);
            EXPECT_EQ(std::tie(seg.x2, seg.y2),
                      std::make_tuple(I(200 + kUnitsPerFrame * (w + 1)), 200 + 10 * (125 - samples[1][w + 1])));
        }
    }
    samples[1][1] = std::numeric_limits<I>::min();  // corrupt samples saturate instead of overflowing
    samples[1][2] = std::numeric_limits<I>::max();
    RecordingCanvas c;
    DrawSeries(c, stateFor(3), samples, 1);
    EXPECT_EQ(std::make_pair(c.ops.at(1).y2, c.ops.at(2).y2),
              std::make_pair(std::numeric_limits<I>::max(), std::numeric_limits<I>::min()));
}

TEST(GraphsModel, ClickedFrameIsTheNearestColumnTiesToEven) {
    const struct {
        double dx;
        std::int32_t hScale, frame;
    } cases[] = {                                             // dx from OriginX
                 {25, 1, 1},      {74, 1, 2},    {75, 1, 3},  // 0.5 -> 0, 1.48 -> 1, 1.5 -> 2
                 {125, 1, 3},     {225, 3, 3},                // 2.5 -> 2, 1.5 -> 2
                 {-200, 1, 1},    {-5000, 3, 1},              // left of the plot
                 {74.5, 1, 2},    {75.5, 1, 3},               // the pixel rounds first
                 {1e12, 1, 32767}};
    for (const auto& c : cases) EXPECT_EQ(ClickedFrame(200 + c.dx, 200, c.hScale), c.frame) << c.dx << " x" << c.hScale;
}

ChartModel openModel(std::int64_t frames) {
    ChartModel m;
    m.setGraphWidth(kUnitsPerFrame * frames);
    return m;
}

TEST(GraphsModel, SetUpResetsZoomAndChannelsAndVerticalZoomWraps) {
    RecordingState rec;
    ChartModel m = openModel(400);
    m.CycleHZoom(rec, 1, true);
    m.ShowChannel(2);
    m.SetUpGraphs(rec);
    const ChartControls& c = m.controls();
    EXPECT_EQ(std::tie(m.state().HScale, m.state().VScale, c.hScroll.max, c.pic1Width),
              std::make_tuple(1, 10, 400, 21495));
    EXPECT_EQ(m.state().ChannelVisible, (std::array<std::int32_t, 5>{}));
    m.CycleVZoom(rec, 1, true);  // shows the bottom
    EXPECT_EQ(std::tie(m.state().VScale, c.pic1Height, c.vScroll.value), std::make_tuple(15, 4300, 255));
    m.CycleVZoom(rec, 1, true);
    m.CycleVZoom(rec, 1, true);  // wraps to the top
    EXPECT_EQ(std::tie(m.state().VZoomIndex, c.pic1Top, c.vScroll.value), std::make_tuple(0, 0, 255));
    m.UpdateGraphCursor(rec, 5, true);
    ASSERT_TRUE(m.cursorX().has_value());
    m.RedrawGraphs(rec);  // a redraw removes the cursor
    EXPECT_FALSE(m.cursorX().has_value());
}

// The chart follows the cursor: past 100, 60 or 40 frames by zoom step, the scroll value is the
// frame less that margin; past 441 frames it stops at the bar's end.
TEST(GraphsModel, CursorScrollsTheChartByZoomStep) {
    const struct {
        int frames, steps, frame, value;
    } cases[] = {{441, 0, 100, 0},  {441, 0, 101, 0}, {441, 0, 150, 49}, {441, 1, 61, 0},
                 {441, 1, 100, 39}, {441, 2, 41, 0},  {441, 2, 100, 59}, {600, 0, 600, 400}};
    RecordingState rec;
    for (const auto& c : cases) {
        ChartModel m = openModel(c.frames);
        m.SetUpGraphs(rec);
        for (int i = 0; i < c.steps; ++i) m.CycleHZoom(rec, 1, true);
        m.UpdateGraphCursor(rec, c.frame, true);
        EXPECT_EQ(m.controls().hScroll.value, c.value) << "zoom steps " << c.steps << ", frame " << c.frame;
    }
    ChartModel m = openModel(600);
    EXPECT_EQ(m.state().GraphWidth, 22050);
    m.SetUpGraphs(rec);
    m.UpdateGraphCursor(rec, 600, true);
    // The canvas reaches past the 441st frame: its right edge meets the viewport's.
    EXPECT_EQ(m.controls().pic1Left, 11960 - 22545);
    m.UpdateGraphCursor(rec, 32767, true);
    EXPECT_EQ(m.cursorX(), 200 + 32766 * kUnitsPerFrame);
}

TEST(GraphsRaster, UnitsToPixelFloors) {
    const std::pair<std::int64_t, std::int64_t> pixels[] = {{0, 0}, {14, 0}, {15, 1}, {-1, -1}, {-15, -1}, {-16, -2}};
    for (const auto& [units, pixel] : pixels) EXPECT_EQ(unitsToPixel(units), pixel) << units;
    const std::pair<std::int64_t, std::int32_t> extents[] = {{21495, 1433}, {5560, 371}, {-3, 0}};
    for (const auto& [units, pixels] : extents) EXPECT_EQ(unitsToPixelExtent(units), pixels) << units;
}

// A 20 x 10 picture inside a larger buffer whose border must never be written.
struct Guarded {
    static constexpr int W = 20, H = 10, Pad = 4, Stride = W + 2 * Pad;
    std::vector<std::uint32_t> buf = std::vector<std::uint32_t>(Stride * (H + 2 * Pad), 0x12345678u);
    RasterCanvas canvas{buf.data() + Pad * Stride + Pad, W, H, Stride, 1};
    std::uint32_t at(int x, int y) const { return buf[(y + Pad) * Stride + x + Pad]; }
    bool borderIntact() const {
        for (int y = -Pad; y < H + Pad; ++y)
            for (int x = -Pad; x < W + Pad; ++x)
                if ((x < 0 || y < 0 || x >= W || y >= H) && at(x, y) != 0x12345678u) return false;
        return true;
    }
    int count(Rgb c) const {
        int n = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) n += at(x, y) == toPixel(c);
        return n;
    }
};

// Far-off lines are clipped to the buffer; a wide pen's dot and lineTo from the last point.
TEST(GraphsRaster, ClippingPenWidthAndLineTo) {
    Guarded g;
    g.canvas.clear(kBlack);
    constexpr auto big = std::numeric_limits<std::int32_t>::max();
    constexpr auto small = std::numeric_limits<std::int32_t>::min();
    g.canvas.setPenWidth(2);
    g.canvas.line(small, small, big, big, kWhite);
    g.canvas.line(-100, 5, big, 5, kRed);
    g.canvas.fillRectangle(small, small, big, 2, kGreen);
    g.canvas.rectangle(-5, -5, 100, 100, kYellow);
    g.canvas.point(big, 3, kWhite);
    EXPECT_TRUE(g.borderIntact());
    EXPECT_EQ(g.count(kGreen), 20 * 3);
    EXPECT_GT(g.count(kRed), 0);

    Guarded h;
    h.canvas.clear(kBlack);
    h.canvas.setPenWidth(2);
    h.canvas.point(10, 5, kRed);  // a 2 x 2 dot from the point's pixel
    EXPECT_EQ(h.count(kRed), 4);
    EXPECT_EQ(h.at(11, 6), toPixel(kRed));
    h.canvas.lineTo(13, 8, kGreen);  // from the last point
    EXPECT_EQ(h.at(10, 5), toPixel(kGreen));
    EXPECT_EQ(h.at(14, 9), toPixel(kGreen));
    EXPECT_TRUE(h.borderIntact());
}

}  // namespace
}  // namespace drv

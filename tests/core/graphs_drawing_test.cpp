// The chart's series, checked on a canvas that records every primitive.
#include <gtest/gtest.h>
#include <limits>
#include <tuple>
#include <vector>

#include "core/graphs/canvas.h"
#include "core/graphs/chart_drawing.h"

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
        SCOPED_TRACE(p.graphWidth);
        ChartState s = stateFor(1);
        s.GraphWidth = p.graphWidth;
        RecordingCanvas c;
        DrawSeries(c, s, samples, 1);
        ASSERT_EQ(c.ops.size(), p.segments + 1);
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

}  // namespace
}  // namespace drv

// Scrolling, zoom, cursor and click arithmetic of the chart model.
#include <gtest/gtest.h>
#include <tuple>

#include "core/graphs/chart_model.h"

namespace drv {
namespace {

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
// frame less that margin.
TEST(GraphsModel, CursorScrollsTheChartByZoomStep) {
    const struct {
        int steps, frame, value;
    } cases[] = {{0, 100, 0}, {0, 101, 0}, {0, 150, 49}, {1, 61, 0}, {1, 100, 39}, {2, 41, 0}, {2, 100, 59}};
    for (const auto& c : cases) {
        RecordingState rec;
        ChartModel m = openModel(441);
        m.SetUpGraphs(rec);
        for (int i = 0; i < c.steps; ++i) m.CycleHZoom(rec, 1, true);
        m.UpdateGraphCursor(rec, c.frame, true);
        EXPECT_EQ(m.controls().hScroll.value, c.value) << "zoom steps " << c.steps << ", frame " << c.frame;
    }
}

TEST(GraphsModel, MoreThan441FramesStayInsideTheTables) {
    RecordingState rec;
    ChartModel m = openModel(600);
    EXPECT_EQ(m.state().GraphWidth, 22050);
    m.SetUpGraphs(rec);
    m.UpdateGraphCursor(rec, 600, true);  // the scroll value stops at the bar's end
    // The canvas reaches past the 441st frame: its right edge meets the viewport's.
    EXPECT_EQ(std::tie(m.controls().hScroll.value, m.controls().pic1Left), std::make_tuple(400, 11960 - 22545));
    m.UpdateGraphCursor(rec, 32767, true);
    EXPECT_EQ(m.cursorX(), 200 + 32766 * kUnitsPerFrame);
}

}  // namespace
}  // namespace drv

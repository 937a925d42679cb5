// Scrolling, zoom, cursor and click arithmetic of the chart model.
#include <gtest/gtest.h>

#include "core/graphs/chart_model.h"

namespace drv {
namespace {

struct AutoScrollCase {
    std::int32_t hScale;
    std::int64_t frame;
    std::int32_t value;
};

class GraphsAutoScroll : public ::testing::TestWithParam<AutoScrollCase> {};

TEST_P(GraphsAutoScroll, ValuePerZoomStep) {
    const auto v = AutoScrollValue(GetParam().hScale, GetParam().frame);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(*v, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Table, GraphsAutoScroll,
                         ::testing::Values(AutoScrollCase{1, 100, 0}, AutoScrollCase{1, 101, 0},
                                           AutoScrollCase{1, 150, 49}, AutoScrollCase{2, 60, 0},
                                           AutoScrollCase{2, 61, 0}, AutoScrollCase{2, 62, 1},
                                           AutoScrollCase{3, 41, 0}, AutoScrollCase{3, 42, 1},
                                           AutoScrollCase{1, 0, 0}, AutoScrollCase{3, 441, 400}));

TEST(GraphsAutoScroll, OtherScalesLeaveTheBarAlone) { EXPECT_FALSE(AutoScrollValue(4, 150).has_value()); }

struct OffsetCase {
    std::int32_t pic1, pic2, max, value, offset;
};

class GraphsScrolledOffset : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(GraphsScrolledOffset, ClampedToTheViewport) {
    const OffsetCase& c = GetParam();
    EXPECT_EQ(ScrolledOffset(c.pic1, c.pic2, c.max, c.value), c.offset);
}

INSTANTIATE_TEST_SUITE_P(Table, GraphsScrolledOffset,
                         ::testing::Values(OffsetCase{21495, 11960, 400, 49, -2633},
                                           OffsetCase{21495, 11960, 400, 0, 0},
                                           OffsetCase{21495, 11960, 400, 400, -9535},  // right edges meet
                                           OffsetCase{63495, 11960, 400, 400, -51535},
                                           OffsetCase{3060, 3060, 255, 255, 0},       // canvas fits
                                           OffsetCase{5560, 3060, 255, 255, -2500},
                                           OffsetCase{21495, 11960, 0, 10, 0}));      // no range

struct ClickCase {
    double dx;  // from OriginX
    std::int32_t hScale;
    std::int32_t frame;
};

class GraphsClick : public ::testing::TestWithParam<ClickCase> {};

TEST_P(GraphsClick, NearestColumnTiesToEven) {
    EXPECT_EQ(ClickedFrame(200 + GetParam().dx, 200, GetParam().hScale), GetParam().frame);
}

INSTANTIATE_TEST_SUITE_P(Table, GraphsClick,
                         ::testing::Values(ClickCase{25, 1, 1},     // 0.5 -> 0
                                           ClickCase{74, 1, 2},     // 1.48 -> 1
                                           ClickCase{75, 1, 3},     // 1.5 -> 2
                                           ClickCase{125, 1, 3},    // 2.5 -> 2
                                           ClickCase{-200, 1, 1},   // left of the plot
                                           ClickCase{-5000, 3, 1},
                                           ClickCase{225, 3, 3},    // 1.5 -> 2
                                           ClickCase{74.5, 1, 2},   // 74.5 rounds to 74 first
                                           ClickCase{75.5, 1, 3},
                                           ClickCase{1e12, 1, 32767}));

ChartModel openModel(int frames) {
    ChartModel m;
    m.setGraphWidth(50LL * frames);
    return m;
}

TEST(GraphsModel, SetUpResetsZoomChannelsAndScrollBars) {
    RecordingState rec;
    ChartModel m = openModel(400);
    m.CycleHZoom(rec, 1, true);
    m.ShowChannel(2);
    m.SetUpGraphs(rec);
    const ChartControls& c = m.controls();
    EXPECT_EQ(m.state().HZoomIndex, 0);
    EXPECT_EQ(m.state().HScale, 1);
    EXPECT_EQ(m.state().ChannelVisible, (std::array<std::int32_t, 5>{}));
    EXPECT_EQ(c.pic1Width, 21495);
    EXPECT_EQ(c.pic1Height, 3060);
    EXPECT_EQ(c.pic2Height, 3060);
    EXPECT_EQ(c.hScroll.max, 400);
    EXPECT_EQ(c.hScroll.smallChange, 10);
    EXPECT_EQ(c.hScroll.largeChange, 50);
    EXPECT_EQ(c.vScroll.max, 255);
    EXPECT_EQ(c.vScroll.value, 255);
    EXPECT_EQ(c.pic1Top, 0);
    ASSERT_TRUE(m.picture().has_value());
    EXPECT_EQ(m.picture()->canvasWidth, 21495);
    EXPECT_EQ(m.picture()->triggerPosition, 10050);
    EXPECT_FALSE(m.cursorX().has_value());
}

TEST(GraphsModel, RedrawRemovesTheCursor) {
    RecordingState rec;
    ChartModel m = openModel(400);
    m.SetUpGraphs(rec);
    m.UpdateGraphCursor(rec, 5, true);
    ASSERT_TRUE(m.cursorX().has_value());
    m.RedrawGraphs(rec);
    EXPECT_FALSE(m.cursorX().has_value());
}

TEST(GraphsModel, ApplyZoomSetsRangesFromTheCanvas) {
    ChartModel m = openModel(400);
    m.state().HZoomIndex = 2;
    m.state().VZoomIndex = 1;
    m.ApplyZoom();
    EXPECT_EQ(m.state().HScale, 3);
    EXPECT_EQ(m.state().VScale, 15);
    EXPECT_EQ(m.controls().hScroll.max, 1270);  // 63495 / 50 rounded
    EXPECT_EQ(m.controls().vScroll.max, 4300);
    EXPECT_EQ(m.controls().pic2Height, 3060);
}

TEST(GraphsModel, VerticalZoomShowsTheBottomAndWrapsToTheTop) {
    RecordingState rec;
    ChartModel m = openModel(400);
    m.SetUpGraphs(rec);
    m.CycleVZoom(rec, 1, true);
    EXPECT_EQ(m.state().VScale, 15);
    EXPECT_EQ(m.controls().pic1Height, 4300);
    EXPECT_EQ(m.controls().vScroll.value, 255);
    m.CycleVZoom(rec, 1, true);
    m.CycleVZoom(rec, 1, true);
    EXPECT_EQ(m.state().VZoomIndex, 0);
    EXPECT_EQ(m.controls().pic1Top, 0);
    EXPECT_EQ(m.controls().vScroll.value, 255);
}

TEST(GraphsModel, MoreThan441FramesStayInsideTheTables) {
    RecordingState rec;
    ChartModel m;
    m.setGraphWidth(50LL * 600);
    EXPECT_EQ(m.state().GraphWidth, 22050);
    m.setGraphWidth(-5);
    EXPECT_EQ(m.state().GraphWidth, 0);
    m.setGraphWidth(50LL * 600);
    m.SetUpGraphs(rec);
    m.UpdateGraphCursor(rec, 600, true);  // the scroll value stops at the bar's end
    EXPECT_EQ(m.controls().hScroll.value, 400);
    EXPECT_EQ(m.controls().pic1Left, -9535);
    m.UpdateGraphCursor(rec, 32767, true);
    EXPECT_EQ(m.cursorX(), 200 + 32766 * 50);
}

}  // namespace
}  // namespace drv

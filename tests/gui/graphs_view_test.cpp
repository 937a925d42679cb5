// The chart widget: click-to-seek, the right end at every zoom step, and the cached picture
// against a full redraw.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/graphs/chart_drawing.h"
#include "core/graphs/raster_canvas.h"
#include "gui/graphs/chart_view.h"

namespace drv {
namespace {

// A main window stand-in: records what the chart asks of it.
struct FakeChartHost final : ChartHost {
    bool open = true, playing = false;
    int current = 1, frames = 400;
    std::vector<std::string> calls;

    bool folderOpen() const override { return open; }
    bool playEnabled() const override { return !playing; }
    int currentFrame() const override { return current; }
    int frameCount() const override { return frames; }
    void setCurrentFrame(int frame) override {
        current = frame;
        calls.push_back("setCurrentFrame " + std::to_string(frame));
    }
    void ShowFrame() override { calls.push_back("ShowFrame " + std::to_string(current)); }
    void UpdateDataPanel(int frame) override { calls.push_back("UpdateDataPanel " + std::to_string(frame)); }
};

// Smooth, distinct curves on every channel, so that each channel shows in the picture.
RecordingState syntheticRecording() {
    RecordingState rec;
    rec.TriggerPosition = kUnitsPerFrame * 120;
    for (int k = 0; k < kGraphSampleCount; ++k) {
        rec.GraphSamples[0][k] = static_cast<std::int32_t>(std::lround(100 * std::sin(k / 15.0)));
        rec.GraphSamples[1][k] = static_cast<std::int32_t>(std::lround(60 * std::cos(k / 9.0)));
        rec.GraphSamples[2][k] = -120 + (k * 2) % 200;
        rec.GraphSamples[3][k] = (k / 30) % 2 ? 70 : 0;
    }
    return rec;
}

class GraphsView : public ::testing::Test {
protected:
    void open(int frames, int at = 1) {
        host.frames = frames;
        view->setGraphWidth(kUnitsPerFrame * frames);
        view->SetUpGraphs();
        view->ShowDefaultChannels();
        goTo(at);
        host.calls.clear();
    }
    void goTo(int frame) {
        host.current = frame;
        view->UpdateGraphCursor(frame);
    }
    void zoom(int presses) {
        for (int i = 0; i < presses; ++i) view->hZoomButton()->click();
    }
    QImage shownPicture() const { return view->canvasWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // The same picture drawn from scratch: every layer, then the cursor line.
    QImage fullRedrawPicture() const {
        QImage image(view->canvasWidget()->size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        RasterCanvas canvas(reinterpret_cast<std::uint32_t*>(image.bits()), image.width(), image.height(),
                            static_cast<std::size_t>(image.bytesPerLine()) / 4);
        const ChartModel& m = view->model();
        if (m.picture()) PaintGraphs(canvas, m.picture()->state, m.picture()->samples, m.picture()->triggerPosition);
        if (m.cursorX()) canvas.line(*m.cursorX(), 0, *m.cursorX(), m.controls().pic1Height, kWhite);
        return image;
    }
    bool cacheMatches() const { return shownPicture() == fullRedrawPicture(); }
    qint64 layers() const { return view->cachedLayers().cacheKey(); }
    int canvasLeft() const { return view->canvasWidget()->x(); }
    int scroll() const { return view->hScrollBar()->value(); }
    void click(double dxFromOrigin) { view->Pic1_MouseDown(1, 0, 200 + dxFromOrigin, 500); }

    FakeChartHost host;
    RecordingState rec = syntheticRecording();
    struct View : ChartView {
        using ChartView::cachedLayers;
        using ChartView::ChartView;
    };
    std::unique_ptr<View> view = std::make_unique<View>(host, rec, nullptr);
};

TEST_F(GraphsView, ClicksSeekTheNearestFrameOnlyWhenAllowed) {
    // (dx from the origin, frame): the nearest column is the model's rule; past the end sets the
    // frame and shows nothing.
    const std::pair<double, int> cases[] = {{74, 2}, {450 * kUnitsPerFrame, 451}};
    for (const auto& [dx, frame] : cases) {
        open(400, 300);
        const int before = scroll();
        click(dx);
        const std::string f = std::to_string(frame);
        const std::vector<std::string> shown = {"setCurrentFrame " + f, "ShowFrame " + f, "UpdateDataPanel " + f};
        EXPECT_EQ(host.calls, frame <= 400 ? shown : std::vector<std::string>{shown[0]});
        EXPECT_EQ(view->model().cursorX(), 200 + ((frame <= 400 ? frame : 300) - 1) * kUnitsPerFrame);
        EXPECT_EQ(scroll(), before);
    }
    open(400, 10);
    host.playing = true;
    click(500);
    host.playing = false;
    host.open = false;
    click(500);
    EXPECT_TRUE(host.calls.empty());
}

// A full-length recording at every zoom step, scrolled to the right end: the last frame's cursor
// and a trigger near the end are on screen, and a press of any button on the last column selects frame 441.
class GraphsViewLastFrame : public GraphsView, public ::testing::WithParamInterface<int> {};

TEST_P(GraphsViewLastFrame, CursorMarkerAndClickReachTheLastFrame) {
    rec.TriggerPosition = kUnitsPerFrame * 435;
    open(441, 441);
    zoom(GetParam());
    goTo(441);
    view->hScrollBar()->setValue(view->hScrollBar()->maximum());
    const QImage shown = view->viewport()->grab().toImage();
    auto column = [&](int frame) {
        return canvasLeft() + (200 + (frame - 1) * kUnitsPerFrame * (GetParam() + 1)) / 15;
    };
    EXPECT_EQ(shown.pixel(column(441), 195), qRgb(255, 255, 255));  // cursor, below the plot area
    EXPECT_EQ(shown.pixel(column(435), 10), qRgb(255, 255, 0));     // marker, above it
    host.current = 1;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(column(441) - canvasLeft(), 100), QPointF(), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(view->canvasWidget(), &press);
    EXPECT_EQ(host.current, 441);
}

INSTANTIATE_TEST_SUITE_P(ZoomSteps, GraphsViewLastFrame, ::testing::Values(0, 1, 2));

// The picture shown through the cached layers equals a full redraw at every zoom step;
// playing frames after the first renders no layer again, a channel change or new samples do.
TEST_F(GraphsView, CachedPictureEqualsAFullRedraw) {
    open(400);
    for (int step = 0; step < 3; ++step) {
        goTo(1);
        const qint64 rendered = layers();
        for (const int frame : {1, 2, 57, 150, 399, 400}) {
            goTo(frame);
            EXPECT_TRUE(cacheMatches()) << "zoom " << step << " frame " << frame;
        }
        EXPECT_EQ(layers(), rendered);
        const QImage all = shownPicture();
        view->channelButton(2)->click();  // a channel change renders the layers again
        EXPECT_NE(layers(), rendered);
        EXPECT_NE(shownPicture(), all);
        EXPECT_TRUE(cacheMatches());
        zoom(1);
    }
    goTo(10);
    const QImage before = shownPicture();
    rec.GraphSamples[0][5] = -125;  // new samples render again without being told
    goTo(10);
    EXPECT_NE(shownPicture(), before);
    EXPECT_TRUE(cacheMatches());
}

}  // namespace
}  // namespace drv

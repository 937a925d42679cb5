// Screenshots of the chart as a user sees it, for looking at by eye. Runs only when
// DRV_CHART_SHOTS names a folder, on a real display:
//   DRV_CHART_SHOTS=/tmp/shots QT_QPA_PLATFORM=xcb DISPLAY=:13 ./tests/gui_tests --gtest_filter='GraphsScreenshot*'
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QScreen>
#include <QThread>
#include <cmath>

#include "gui/graphs/chart_view.h"
#include "graphs_fake_host.h"

namespace drv {
namespace {

void settle() {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

TEST(GraphsScreenshot, EachZoomStepAndChannelSwitch) {
    const QString folder = qEnvironmentVariable("DRV_CHART_SHOTS");
    if (folder.isEmpty()) GTEST_SKIP() << "set DRV_CHART_SHOTS to a folder to take screenshots";
    QDir().mkpath(folder);

    // A drive of about 400 frames: braking into a stop, a swerve, and the trigger at frame 201.
    RecordingState rec;
    for (int k = 0; k < kGraphSampleCount; ++k) {
        const double speed = k < 180 ? 60 + 10 * std::sin(k / 25.0) : std::max(0.0, 60 - (k - 180) * 1.2);
        rec.GraphSamples[2][k] = static_cast<std::int32_t>(std::lround((speed * 12 - 1200) / 10));
        rec.GraphSamples[3][k] = (k >= 180 && speed > 0) ? 70 : 0;
        const double longG = (k >= 180 && speed > 0) ? -0.35 : 0.05 * std::sin(k / 7.0);
        const double latG = (k > 120 && k < 150) ? 0.45 * std::sin((k - 120) / 30.0 * 3.14159) : 0.03 * std::cos(k / 5.0);
        rec.GraphSamples[0][k] = static_cast<std::int32_t>(std::lround(longG * 250));
        rec.GraphSamples[1][k] = static_cast<std::int32_t>(std::lround(latG * 250));
    }
    rec.TriggerPosition = 50 * 201;

    test::FakeChartHost host;
    host.frames = 400;
    QWidget window;
    window.setWindowTitle(QString::fromUtf8("ドライブレコーダー ビューワーソフト"));
    window.setFixedSize(819, 643);
    auto* fra = new QGroupBox(&window);
    fra->setGeometry(457, 33, 353, 369);
    ChartView view(host, rec, &window);
    view.setGeometry(ChartView::defaultGeometry());
    view.placeButtons(fra);
    view.setGraphWidth(50 * 400);
    view.SetUpGraphs();
    view.ShowDefaultChannels();
    host.current = 230;
    view.UpdateGraphCursor(230);
    window.move(0, 0);
    window.show();
    settle();

    auto shoot = [&](const QString& name) {
        settle();
        QScreen* screen = QGuiApplication::primaryScreen();
        const QPixmap shot = screen->grabWindow(0, 0, 0, 840, 700);
        ASSERT_TRUE(shot.save(folder + "/" + name + ".png"));
    };
    host.current = 90;
    view.UpdateGraphCursor(90);
    shoot("chart_start");
    host.current = 230;
    view.UpdateGraphCursor(230);
    shoot("chart_zoom1");
    view.hZoomButton()->click();
    view.UpdateGraphCursor(230);
    shoot("chart_zoom2");
    view.hZoomButton()->click();
    view.UpdateGraphCursor(230);
    shoot("chart_zoom3");
    view.hZoomButton()->click();
    view.UpdateGraphCursor(230);
    view.channelButton(0)->click();
    view.channelButton(1)->click();
    shoot("chart_speed_brake_only");
    view.channelButton(0)->click();
    view.channelButton(1)->click();
    for (int f = 1; f <= 400; f += 3) {  // as the playback loop drives it
        host.current = f;
        view.UpdateGraphCursor(f);
        QApplication::processEvents();
    }
    shoot("chart_after_playback");
}

}  // namespace
}  // namespace drv

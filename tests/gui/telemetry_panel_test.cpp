// The telemetry panel widget: design captions, values, brake colours and layout.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>

#include "core/common/numbers.h"
#include "gui/viewer/telemetry_panel.h"

namespace drv {
namespace {

Recording sampleRecording() {
    Recording r;
    r.folder = "/rec";
    r.fileNames.assign(4, {});
    r.frames.assign(4, FrameRecord{});
    FrameRecord& f = r.frames[2];
    f.Speed = 52.3f;
    f.PulseSpeed = 5.2f;
    f.Brake = true;
    f.AccelLongitudinal = -1.25f;
    f.AccelLateral = 0.25f;
    f.Latitude = FixedWidth("N  35度40分12秒3", 13);
    f.Longitude = FixedWidth("E 139度45分06秒7", 13);
    f.ShotAt = "2007/10/10 04:18:59";
    f.UpdatedAt = "2007/10/10 04:19:01";
    r.state.VehicleSignalsPresent = true;
    r.state.HighFrameRate = true;
    r.state.TriggerPosition = 150;
    return r;
}

TEST(TelemetryPanel, StartsWithTheDesignCaptions) {
    TelemetryPanel panel;
    EXPECT_EQ(panel.size(), QSize(353, 369));
    EXPECT_EQ(panel.objectName(), "fra_Status");
    const char* const captions[8] = {"     ---", "前後方向加速度", "左右方向加速度", "     ---",
                                     "緯 度",    "経 度",          "撮 影 日 時",    "更 新 日 時"};
    for (int n = 1; n <= 8; ++n) EXPECT_EQ(panel.label(n)->text(), QString::fromUtf8(captions[n - 1])) << n;
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(panel.lblData(i)->text().isEmpty()) << i;
    EXPECT_EQ(panel.lblBrkName()->text(), "ブレーキ ＯＦＦ");
    EXPECT_TRUE(panel.lblSpeed()->text().isEmpty());
    EXPECT_EQ(panel.lblPassTime()->text(), "経過時間表示");
    EXPECT_EQ(panel.lblMsgInput()->text(), "検出方法");
    EXPECT_EQ(panel.lblfps()->text(), " ﾌﾚｰﾑﾚｰﾄ/画質");
    EXPECT_EQ(panel.lblFilename()->text(), "　ファイル名　");
    EXPECT_EQ(panel.lblKido()->text(), "輝度：　標準");
    EXPECT_EQ(panel.findChild<QLabel*>("lblData_3"), panel.lblData(3));
    EXPECT_EQ(panel.lblSpeed()->font().families().value(0), "IPAPGothic");
}

TEST(TelemetryPanel, UpdateDataPanelWritesEveryValueLabel) {
    TelemetryPanel panel;
    const Recording r = sampleRecording();
    panel.UpdateDataPanel(r, 2);
    EXPECT_EQ(panel.lblSpeed()->text(), "52.3km/h");
    EXPECT_EQ(panel.lblData(0)->text(), "05.2 km/h");
    EXPECT_EQ(panel.lblData(1)->text(), " -1.25 G      ");
    EXPECT_EQ(panel.lblData(2)->text(), "  0.25 G      ");
    EXPECT_TRUE(panel.lblData(3)->text().isEmpty());
    EXPECT_EQ(panel.lblData(4)->text(), "N  35度40分12秒3");
    EXPECT_EQ(panel.lblData(5)->text(), "E 139度45分06秒7");
    EXPECT_EQ(panel.lblDate(0)->text(), "2007/10/10 04:18:59");
    EXPECT_EQ(panel.lblDate(1)->text(), "2007/10/10 04:19:01");
    EXPECT_EQ(panel.lblPassTime()->text(), "経過時間：　-00.073秒");
    EXPECT_EQ(panel.lblBrkName()->text(), "ブレーキ ＯＮ");

    // Index 1 is a frame without telemetry: everything is rewritten, nothing kept from frame 2.
    panel.UpdateDataPanel(r, 1);
    EXPECT_EQ(panel.lblSpeed()->text(), "0.0km/h");
    EXPECT_EQ(panel.lblData(0)->text(), "00.0 km/h");
    EXPECT_EQ(panel.lblBrkName()->text(), "ブレーキ ＯＦＦ");
    EXPECT_EQ(panel.lblPassTime()->text(), "経過時間：　-00.146秒");
}

TEST(TelemetryPanel, IndexOutsideTheFrameTableChangesNothing) {
    TelemetryPanel panel;
    const Recording r = sampleRecording();
    panel.UpdateDataPanel(r, 2);
    for (int index : {0, -1, 4, 400}) panel.UpdateDataPanel(r, index);
    EXPECT_EQ(panel.lblSpeed()->text(), "52.3km/h");
}

TEST(TelemetryPanel, NoSpeedWithoutVehicleSignals) {
    TelemetryPanel panel;
    Recording r = sampleRecording();
    r.state.NoMainSpeed = true;
    r.state.VehicleSignalsPresent = false;
    panel.ShowSpeed(12.0f);
    panel.UpdateDataPanel(r, 2);
    EXPECT_EQ(panel.lblSpeed()->text(), "----km/h");
    EXPECT_TRUE(panel.lblData(0)->text().isEmpty());
}

TEST(TelemetryPanel, BrakeColoursAndCaptions) {
    TelemetryPanel panel;
    struct {
        bool on;
        QColor background;
        QColor text;
        const char* caption;
    } cases[] = {
        {true, QColor(255, 0, 0), QColor(255, 255, 0), "ブレーキ ＯＮ"},
        {false, QColor(192, 255, 255), QApplication::palette("QMenu").color(QPalette::WindowText), "ブレーキ ＯＦＦ"},
    };
    for (const auto& c : cases) {
        panel.ShowBrake(c.on);
        EXPECT_EQ(panel.lblBrk()->palette().color(QPalette::Window), c.background) << c.on;
        EXPECT_EQ(panel.lblBrk()->palette().color(QPalette::WindowText), c.text) << c.on;
        // The caption inside the box is drawn in the box's text colour.
        EXPECT_EQ(panel.lblBrkName()->palette().color(QPalette::WindowText), c.text) << c.on;
        EXPECT_EQ(panel.lblBrkName()->text(), QString::fromUtf8(c.caption));
    }
}

TEST(TelemetryPanel, SettersAndBrakeVisibility) {
    TelemetryPanel panel;
    panel.show();
    panel.setBrakeVisible(false);
    EXPECT_FALSE(panel.lblBrk()->isVisible());
    EXPECT_FALSE(panel.lblBrkName()->isVisible());
    panel.setBrakeVisible(true);
    EXPECT_TRUE(panel.lblBrk()->isVisible());
    EXPECT_TRUE(panel.lblBrkName()->isVisible());
    panel.setPulseRowCaption("車速パルス速度");
    panel.setFpsText("14fps / 低画質");
    panel.setTriggerKind("外部スイッチ");
    panel.setFileName("frame_001.jpg");
    panel.setBrightnessText("輝度：　x2.0");
    EXPECT_EQ(panel.label(1)->text(), "車速パルス速度");
    EXPECT_EQ(panel.lblfps()->text(), "14fps / 低画質");
    EXPECT_EQ(panel.lblMsgInput()->text(), "外部スイッチ");
    EXPECT_EQ(panel.lblFilename()->text(), "frame_001.jpg");
    EXPECT_EQ(panel.lblKido()->text(), "輝度：　x2.0");
}

TEST(TelemetryPanel, LabelsStayInsideThePanelAndOutOfTheChartButtons) {
    TelemetryPanel panel;
    const QRect chart = TelemetryPanel::chartButtonsArea();
    EXPECT_EQ(chart, QRect(20, 256, 173, 104));
    const auto labels = panel.findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    EXPECT_EQ(labels.size(), 1 + 1 + 8 + 6 + 2 + 5);  // lblBrkName lives inside lblBrk
    for (QLabel* label : labels) {
        EXPECT_TRUE(panel.rect().contains(label->geometry())) << label->objectName().toStdString();
        EXPECT_FALSE(label->geometry().intersects(chart)) << label->objectName().toStdString();
    }
    for (int i = 0; i < 8; ++i)  // rows do not overlap each other
        for (int j = i + 1; j < 8; ++j) EXPECT_FALSE(panel.label(i + 1)->geometry().intersects(panel.label(j + 1)->geometry()));
}

}  // namespace
}  // namespace drv

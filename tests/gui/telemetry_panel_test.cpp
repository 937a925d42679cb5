#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>

#include "gui/viewer/telemetry_panel.h"

namespace drv {
namespace {

TEST(TelemetryPanel, DesignCaptions) {
    TelemetryPanel panel;
    const std::pair<const QLabel*, const char*> captions[] = {
        {panel.label(1), "     ---"},       {panel.label(2), "前後方向加速度"}, {panel.label(3), "左右方向加速度"},
        {panel.label(4), "     ---"},       {panel.label(5), "緯 度"},          {panel.label(6), "経 度"},
        {panel.label(7), "撮 影 日 時"},    {panel.label(8), "更 新 日 時"},    {panel.lblBrkName(), "ブレーキ ＯＦＦ"},
        {panel.lblPassTime(), "経過時間表示"}, {panel.lblMsgInput(), "検出方法"}, {panel.lblfps(), " ﾌﾚｰﾑﾚｰﾄ/画質"},
        {panel.lblFilename(), "　ファイル名　"}, {panel.lblKido(), "輝度：　標準"}};
    for (const auto& [label, text] : captions) EXPECT_EQ(label->text(), QString::fromUtf8(text)) << text;
}

TEST(TelemetryPanel, UpdateDataPanelRewritesEveryValueLabel) {
    Recording r;
    r.fileNames.assign(3, {});
    r.frames.assign(3, FrameRecord{});
    FrameRecord& f = r.frames[2];
    f.Speed = 52.3f, f.PulseSpeed = 5.2f, f.Brake = true, f.AccelLateral = 0.25f;
    f.Longitude = "E 139度45分06秒7", f.UpdatedAt = "2007/10/10 04:19:01";
    r.state.VehicleSignalsPresent = r.state.HighFrameRate = true;
    r.state.TriggerPosition = 150;
    TelemetryPanel panel;
    panel.UpdateDataPanel(r, 2);
    const std::pair<const QLabel*, const char*> values[] = {
        {panel.lblSpeed(), "52.3km/h"},          {panel.lblData(0), "05.2 km/h"},
        {panel.lblData(2), "  0.25 G      "},   {panel.lblData(5), "E 139度45分06秒7"},
        {panel.lblDate(1), "2007/10/10 04:19:01"}, {panel.lblPassTime(), "経過時間：　-00.073秒"},
        {panel.lblBrkName(), "ブレーキ ＯＮ"}};
    for (const auto& [label, text] : values) EXPECT_EQ(label->text(), QString::fromUtf8(text)) << text;
    for (int index : {0, -1, 3, 400}) panel.UpdateDataPanel(r, index);  // outside the table: ignored
    EXPECT_EQ(panel.lblSpeed()->text(), "52.3km/h");
}

TEST(TelemetryPanel, BrakeColoursAndVisibility) {
    TelemetryPanel panel;
    panel.show();
    const QColor menuText = QApplication::palette("QMenu").color(QPalette::WindowText);
    for (bool on : {true, false}) {
        panel.ShowBrake(on);
        EXPECT_EQ(panel.lblBrk()->palette().color(QPalette::Window), on ? QColor(255, 0, 0) : QColor(192, 255, 255));
        const QColor text = on ? QColor(255, 255, 0) : menuText;
        EXPECT_EQ(panel.lblBrk()->palette().color(QPalette::WindowText), text);
        EXPECT_EQ(panel.lblBrkName()->palette().color(QPalette::WindowText), text);  // drawn in the box's colour
    }
    panel.setBrakeVisible(false);
    EXPECT_FALSE(panel.lblBrk()->isVisible() || panel.lblBrkName()->isVisible());
}

}  // namespace
}  // namespace drv

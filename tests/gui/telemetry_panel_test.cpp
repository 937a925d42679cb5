#include <QApplication>
#include <QLabel>
#include <gtest/gtest.h>

#include "gui/viewer/telemetry_panel.h"

namespace drv {
namespace {

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

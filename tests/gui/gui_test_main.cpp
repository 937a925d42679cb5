// Widgets need an application object; tests run headless on the offscreen platform.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef DRV_TOOL_PATH
    if (qEnvironmentVariableIsEmpty("DRV_TOOL")) qputenv("DRV_TOOL", DRV_TOOL_PATH);
#endif
#ifdef DRV_VIEWER_PATH
    if (qEnvironmentVariableIsEmpty("DRV_VIEWER")) qputenv("DRV_VIEWER", DRV_VIEWER_PATH);
#endif
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

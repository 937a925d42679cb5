// The main window: the button modes, its size, the keyboard, the picture's
// menu and what it saves.
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include "core/exif/exif_reader.h"
#include "core/export/telemetry_export.h"
#include "gui/viewer/picture_view.h"
#include "gui/viewer/telemetry_panel.h"
#include "tests/core/support/frame_files.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

using MainWindowTest = test::AppFixture;

std::vector<bool> enabledButtons(const MainWindow& w) {
    std::vector<bool> on;
    for (int i = 0; i < 6; ++i) on.push_back(w.cmdPlay(i)->isEnabled());
    return on;
}

TEST_F(MainWindowTest, StartsEmptyTheButtonsFollowTheModeTableAndTheSizeSnapsBack) {
    EXPECT_FALSE(w().recording().isOpen());
    w().menus().mnuHi15->trigger();  // with no recording only the tick and the caption move
    EXPECT_EQ(w().lblKido()->text(), QStringLiteral("輝度：　x1.5"));
    const std::vector<bool> all(6, true), none(6, false), stop = {false, false, false, true, false, false};
    EXPECT_EQ(enabledButtons(w()), none);
    // An unknown mode changes nothing.
    const std::vector<std::tuple<int, int, std::vector<bool>>> table = {{1, 1, all},  {2, 2, stop}, {-1, 2, stop},
                                                                        {0, 0, none}, {3, 0, none}, {1, 1, all}};
    for (const auto& [mode, kept, want] : table) {
        w().SetButtonState(mode);
        EXPECT_EQ(w().buttonMode(), kept);
        EXPECT_EQ(enabledButtons(w()), want) << "mode " << mode;
        EXPECT_EQ(w().menus().mnuEvents->isEnabled(), kept != 2) << "the event list waits while playing";
    }
    w().SetButtonState(0);
    EXPECT_TRUE(w().menus().mnuOpen->isEnabled()) << "the menus are never switched by the modes";

    // The size snaps back; Quit closes every window.
    w().show();
    test::waitMs(20);
    const QSize designed = w().size();
    w().setMaximumSize(2000, 2000);  // even with the constraint lifted, a resize snaps back
    w().resize(1000, 900);
    QApplication::processEvents();
    EXPECT_EQ(w().size(), designed);
    w().showMaximized();
    test::waitMs(50);
    EXPECT_EQ(w().size(), designed);
    QWidget other;
    other.show();
    w().mnuQuit_Click();
    EXPECT_FALSE(w().isVisible());
    EXPECT_FALSE(other.isVisible());
}

class AppKeysTest : public test::AppFixture {
protected:
    // Opens a 10-frame recording with its trigger on frame 4, the window active.
    SampleOptions open(bool draw = false, SampleOptions::TriggerKind kind = SampleOptions::TriggerKind::Shock) {
        SampleOptions o = quick(10, 14, draw);
        o.trigger = 4;
        o.kind = kind;
        openThroughDialog(makeRecording("rec", o));
        activate();
        return o;
    }
    void activate() {
        w().show();
        w().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    }
    // Keys go to the trackbar, which must not keep Left and Right for itself.
    void press(Qt::Key key) { QTest::keyClick(w().trackBar(), key); }
    int current() const { return window_->recording().CurrentFrame; }
    void rightClickPicture() {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20), w().image1()->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(w().image1(), &event);
    }
    std::filesystem::path out(const std::string& name) const { return root() / name; }
};

struct KeyCase {
    Qt::Key key;
    int from, expected;
};
const KeyCase kKeys[] = {{Qt::Key_Right, 3, 4}, {Qt::Key_Right, 10, 10}, {Qt::Key_Left, 3, 2}, {Qt::Key_Left, 1, 1},
                         {Qt::Key_Home, 7, 1},  {Qt::Key_End, 3, 10},    {Qt::Key_T, 9, 4}};

// Each key that moves shows its frame once, through the one routine that says so.
TEST_F(AppKeysTest, KeysActLikeTheirButtons) {
    activate();
    for (const KeyCase& c : kKeys) press(c.key);  // no recording: nothing to do
    EXPECT_EQ(current(), 0);
    const SampleOptions o = open();
    w().trackBar()->setFocus();
    QSignalSpy shown(&w(), &MainWindow::currentFrameChanged);
    for (const KeyCase& c : kKeys) {
        w().setCurrentFrame(c.from);
        shown.clear();
        press(c.key);
        EXPECT_EQ(current(), c.expected);
        EXPECT_EQ(shown.size(), c.expected != c.from ? 1 : 0);
        if (c.expected != c.from) {
            EXPECT_EQ(shown.at(0).at(0).toInt(), c.expected);
            EXPECT_EQ(w().fraStatus()->lblFilename()->text(), QString::fromStdString(SampleFileName(o, c.expected)));
        }
    }
    EXPECT_EQ(w().speedLevel(), 2) << "the trackbar kept its level";
}

TEST_F(AppKeysTest, SpacePlaysAndStopsAndOtherKeysWaitMeanwhile) {
    open();
    w().setSpeedLevel(0);  // 200 ms between frames
    press(Qt::Key_Space);
    EXPECT_TRUE(w().playback().isActive());
    ASSERT_TRUE(test::waitUntil([this] { return w().recording().LastShownFrame >= 2; }, 5000));
    for (const Qt::Key key : {Qt::Key_T, Qt::Key_End, Qt::Key_Home}) press(key);
    press(Qt::Key_Space);
    EXPECT_FALSE(w().playback().isActive());
    EXPECT_EQ(current(), w().recording().LastShownFrame);
    EXPECT_LT(current(), 8) << "End was not obeyed while playing";
}

TEST_F(AppKeysTest, TNeedsATriggerInThisRecording) {
    open(false, SampleOptions::TriggerKind::None);
    w().setCurrentFrame(9);
    press(Qt::Key_T);
    EXPECT_EQ(current(), 9);
}

// The picture's menu, and every export from it or the File menu, only with a recording while stopped.
TEST_F(AppKeysTest, PictureMenuAndExportsOnlyWhenStoppedWithARecording) {
    activate();
    rightClickPicture();
    EXPECT_FALSE(w().pictureMenu()->isVisible());
    EXPECT_FALSE(w().menus().mnuExportVideo->isEnabled());
    open();
    w().SetButtonState(MainWindow::kButtonsPlaying);
    rightClickPicture();
    EXPECT_FALSE(w().pictureMenu()->isVisible() || w().menus().mnuExportVideo->isEnabled());
    EXPECT_FALSE(w().savePictureAs() || w().exportTelemetryAs());
    EXPECT_FALSE(w().startVideoExport({{1, 10}, true, BrightnessMode::Standard, 23, out("a.mp4")}));
    EXPECT_TRUE(dialogs_.saved.empty());
    w().SetButtonState(MainWindow::kButtonsAll);
    rightClickPicture();
    EXPECT_TRUE(w().pictureMenu()->isVisible());
    w().pictureMenu()->close();
}

TEST_F(AppKeysTest, SavesTheBrightenedPictureWithItsTelemetryAndExportsTheTelemetry) {
    open(true);
    w().menus().mnuHi15->trigger();
    press(Qt::Key_T);
    dialogs_.saves = {{out("shot.png"), 0}, {out("shot.jpg"), 1}};
    ASSERT_TRUE(w().savePictureAs());
    ASSERT_TRUE(w().savePictureAs());
    EXPECT_EQ(dialogs_.saved.at(1).suggested, root() / w().recording().fileNames[4].stem());
    const QImage shown = w().image1()->image().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(QImage(QString::fromStdString(out("shot.png").string())).convertToFormat(QImage::Format_RGB32), shown);
    EXPECT_EQ(QImage(QString::fromStdString(out("shot.jpg").string())).size(), shown.size());
    const ExifTags saved = ReadExifTags(out("shot.jpg"));  // the shown frame's telemetry goes with it
    EXPECT_FALSE(saved.MakerNoteText.empty());
    EXPECT_EQ(saved.MakerNoteText, ReadExifTags(w().recording().framePath(4)).MakerNoteText);
    EXPECT_TRUE(dialogs_.shown.empty());

    // The telemetry export writes the format of the chosen filter, and tells of failures.
    dialogs_.saved.clear();
    const ExportFormat formats[] = {ExportFormat::Csv, ExportFormat::Gpx, ExportFormat::Kml};
    for (int i = 0; i < 3; ++i) dialogs_.saves.push_back({out(std::to_string(i)), i});
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(w().exportTelemetryAs());
        EXPECT_EQ(test::ReadFile(out(std::to_string(i))), ExportTelemetry(w().recording(), formats[i])) << i;
    }
    EXPECT_EQ(dialogs_.saved.at(0).suggested.filename(), "rec");
    EXPECT_FALSE(w().exportTelemetryAs());  // cancelled
    EXPECT_TRUE(dialogs_.shown.empty());
    dialogs_.saves.push_back({root() / "none" / "t.csv", 0});
    EXPECT_FALSE(w().exportTelemetryAs());
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_TRUE(dialogs_.shown[0].text.startsWith(QStringLiteral("ファイルを保存できませんでした。")));
    EXPECT_EQ(dialogs_.shown[0].icon, Dialogs::Icon::Critical);
    EXPECT_FALSE(std::filesystem::exists(root() / "none"));
}

}  // namespace
}  // namespace drv

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QSlider>
#include <QAbstractButton>
#include <QPushButton>
#include <QProcess>
#include <fstream>

#include "core/viewer/panel_text.h"
#include "gui/loading/load_window.h"
#include "gui/viewer/picture_view.h"
#include "gui/viewer/telemetry_panel.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

using test::AppFixture;

const QString kNoJpg = QStringLiteral("jpgファイルが存在しません。ディレクトリ再指定してください。");

class AppOpenTest : public AppFixture {};

QString name(const SampleOptions& o, int i) { return QString::fromStdString(SampleFileName(o, i)); }

TEST_F(AppOpenTest, SuccessShowsFrameOneAndResetsTheControls) {
    SampleOptions o = quick(7, 14, true);
    o.highQuality = false;
    o.trigger = 3;
    const auto dir = makeRecording("rec", o);
    w().mnuHi15_Click();
    w().setSpeedLevel(0);

    openThroughDialog(dir);

    ASSERT_EQ(dialogs_.browsed.size(), 1u);
    EXPECT_EQ(dialogs_.browsed[0].title, QStringLiteral("画像保存先フォルダを選択してください"));
    EXPECT_TRUE(dialogs_.browsed[0].startFolder.empty());
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_EQ(w().lblPath()->text(), QString::fromStdString(dir.string()));
    EXPECT_EQ(w().recording().frameCount(), 7);
    EXPECT_EQ(w().recording().CurrentFrame, 1);
    EXPECT_EQ(w().recording().LastShownFrame, 1);
    EXPECT_EQ(w().buttonMode(), 1);
    EXPECT_EQ(w().speedLevel(), 2);
    EXPECT_EQ(w().brightnessMode(), BrightnessMode::X15) << "the brightness mode stays";
    EXPECT_TRUE(w().fraStatus()->isEnabled());
    EXPECT_EQ(w().fraStatus()->lblfps()->text(), QStringLiteral("14fps / 低画質"));
    EXPECT_EQ(w().fraStatus()->lblFilename()->text(), name(o, 1));
    EXPECT_FALSE(w().fraStatus()->lblMsgInput()->text().trimmed().isEmpty());
    EXPECT_EQ(w().fraStatus()->lblPassTime()->text(), QStringLiteral("経過時間：　-00.146秒"));
    EXPECT_FALSE(w().image1()->image().isNull());
    EXPECT_TRUE(w().findChildren<LoadWindow*>().isEmpty()) << "the loading window lives for one load";
    EXPECT_EQ(w().chart()->model().state().HZoomIndex, 0);
}

TEST_F(AppOpenTest, CancelAndTheSameFolderReloadNothing) {
    const auto dir = makeRecording("rec", quick(5));
    openThroughDialog(dir);
    w().cmdPlay(4)->click();
    w().cmdPlay(4)->click();
    w().setSpeedLevel(4);
    ASSERT_EQ(w().recording().CurrentFrame, 3);

    w().mnuOpen_Click();  // no folder queued: the dialog is cancelled
    openThroughDialog(dir);
    ASSERT_EQ(dialogs_.browsed.size(), 3u);
    EXPECT_EQ(dialogs_.browsed[1].startFolder, dir) << "the dialog opens on the current folder";
    EXPECT_EQ(w().recording().CurrentFrame, 3);
    EXPECT_EQ(w().speedLevel(), 4);
    EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(AppOpenTest, FoldersWithoutFramesSayItAndShowThePlaceholder) {
    writePlaceholder(QColor(10, 200, 30));
    const auto dir = makeRecording("rec", quick(3));
    openThroughDialog(dir);
    std::filesystem::create_directory(root() / "empty");
    std::ofstream(root() / "empty" / "notes.txt") << "no frames";

    for (const auto& folder : {root() / "empty", root() / "vanished"}) {
        SCOPED_TRACE(folder.string());
        dialogs_.shown.clear();
        w().image1()->setImage(QImage(2, 2, QImage::Format_RGB32));
        openThroughDialog(folder);
        ASSERT_EQ(dialogs_.shown.size(), 1u);
        EXPECT_EQ(dialogs_.shown[0].text, kNoJpg);
        EXPECT_EQ(dialogs_.shown[0].title, kAppTitle);
        EXPECT_EQ(dialogs_.shown[0].buttons, Dialogs::Buttons::Ok);
        EXPECT_EQ(dialogs_.shown[0].icon, Dialogs::Icon::None);
        EXPECT_TRUE(w().lblPath()->text().isEmpty());
        EXPECT_FALSE(w().recording().isOpen());
        EXPECT_EQ(w().recording().frameCount(), 0);
        EXPECT_EQ(w().image1()->image().size(), QSize(8, 6)) << "placeholder shown";
        // With no folder the commands that need one do nothing.
        w().mnuStart_Click();
        w().cmdPlay(4)->click();
        EXPECT_FALSE(w().playback().isActive());
    }
    // The next Open starts from no folder and works again.
    openThroughDialog(dir);
    EXPECT_EQ(w().recording().frameCount(), 3);
}

TEST_F(AppOpenTest, RefusedWhilePlayingWithoutEvenTheDialog) {
    const auto dir = makeRecording("rec", quick(30));
    openThroughDialog(dir);
    w().mnuStart_Click();
    ASSERT_TRUE(w().playback().isActive());
    w().cmdStart()->click();
    w().mnuOpen_Click();
    EXPECT_EQ(dialogs_.browsed.size(), 1u);
    w().mnuStop_Click();
    w().mnuOpen_Click();
    EXPECT_EQ(dialogs_.browsed.size(), 2u);
}

TEST_F(AppOpenTest, AListingThatStartsMidRecordingIsRotated) {
    SampleOptions o = quick(9);
    o.rotate = 5;
    const auto dir = makeRecording("rec", o);
    openThroughDialog(dir);
    ASSERT_EQ(w().recording().frameCount(), 9);
    for (int i = 1; i <= 9; ++i)
        EXPECT_EQ(w().recording().fileNames[static_cast<std::size_t>(i)].string(), SampleFileName(o, i)) << i;
    EXPECT_EQ(w().fraStatus()->lblFilename()->text(), name(o, 1));
}

struct PassTimeCase {
    int fps;
    int trigger;
    int frame;
    const char* text;
};

TEST_F(AppOpenTest, ElapsedTimeBeforeAtAndAfterTheTrigger) {
    const PassTimeCase cases[] = {
        {14, 3, 1, "-00.146"}, {14, 3, 3, "00.000"}, {14, 3, 13, "00.730"},
        {7, 1, 1, "00.000"},   {7, 1, 11, "01.450"}, {7, 4, 2, "-00.290"},
    };
    for (const PassTimeCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.fps) + " fps, frame " + std::to_string(c.frame));
        SampleOptions o = quick(14, c.fps);
        o.trigger = c.trigger;
        openThroughDialog(makeRecording("rec" + std::to_string(c.fps) + "_" + std::to_string(c.trigger), o));
        // Step there with the buttons, as a user would.
        w().cmdPlay(0)->click();
        for (int i = 1; i < c.frame; ++i) w().cmdPlay(4)->click();
        ASSERT_EQ(w().recording().CurrentFrame, c.frame);
        EXPECT_EQ(w().fraStatus()->lblPassTime()->text(),
                  QStringLiteral("経過時間：　") + QString::fromLatin1(c.text) + QStringLiteral("秒"));
        EXPECT_EQ(w().fraStatus()->lblfps()->text(), c.fps == 14 ? QStringLiteral("14fps / 高画質")
                                                                  : QStringLiteral(" 7fps / 高画質"));
    }
}

struct SignalsCase {
    bool vehicleSignals;
    bool mainSpeed;
    const char* pulseCaption;
    bool brakeShown, speedButton, brakeButton;
};

// The three speed rows, and a second recording with other flags bringing hidden parts back.
TEST_F(AppOpenTest, SpeedRowsBrakeAndChannelButtonsFollowEachRecording) {
    const SignalsCase cases[] = {
        {false, false, "     ---", false, false, false},
        {true, true, "車速パルス速度", true, true, true},
        {false, true, "     ---", false, true, false},
        {true, false, "     ---", true, true, true},
    };
    int k = 0;
    for (const SignalsCase& c : cases) {
        SCOPED_TRACE(k);
        SampleOptions o = quick(5);
        o.vehicleSignals = c.vehicleSignals;
        o.mainSpeed = c.mainSpeed;
        openThroughDialog(makeRecording("rec" + std::to_string(k++), o));
        const Recording& r = w().recording();
        ASSERT_EQ(r.state.VehicleSignalsPresent, c.vehicleSignals);
        ASSERT_EQ(r.state.NoMainSpeed, !c.mainSpeed);
        TelemetryPanel* p = w().fraStatus();
        EXPECT_EQ(p->label(1)->text(), QString::fromUtf8(c.pulseCaption));
        EXPECT_EQ(p->lblBrk()->isVisibleTo(p), c.brakeShown);
        EXPECT_EQ(w().chart()->channelButton(2)->isVisibleTo(p), c.speedButton);
        EXPECT_EQ(w().chart()->channelButton(3)->isVisibleTo(p), c.brakeButton);
        EXPECT_EQ(w().chart()->model().state().ChannelVisible[2] != 0, c.speedButton);
        EXPECT_EQ(w().chart()->model().state().ChannelVisible[3] != 0, c.brakeButton);
        const FrameRecord& f = r.frames[1];
        QString speed, pulse;
        if (c.mainSpeed) {
            speed = QString::fromStdString(SpeedText(f.Speed));
            if (c.vehicleSignals) pulse = QString::fromStdString(PulseSpeedText(f.PulseSpeed));
        } else {
            speed = c.vehicleSignals ? QString::fromStdString(SpeedText(f.PulseSpeed)) : QStringLiteral("----km/h");
        }
        EXPECT_EQ(p->lblSpeed()->text(), speed);
        EXPECT_EQ(p->lblData(0)->text(), pulse);
    }
}

// Records the percentage label each time the loading window repaints it.
class PercentWatcher : public QObject {
public:
    QStringList seen;
    QList<int> barAtShow;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && o->objectName() == QLatin1String("Label1")) {
            auto* label = qobject_cast<QLabel*>(o);
            if (label && qobject_cast<LoadWindow*>(label->window())) seen << label->text();
        }
        if (e->type() == QEvent::Show) {
            if (auto* load = qobject_cast<LoadWindow*>(o)) barAtShow << load->progressBar()->value();
        }
        return false;
    }
};

TEST_F(AppOpenTest, LoadingWindowCountsThePercentages) {
    const std::pair<int, QStringList> cases[] = {
        {1, {"100%"}},
        {3, {"33%", "67%", "100%"}},
        {8, {"12%", "25%", "38%", "50%", "62%", "75%", "88%", "100%"}},
    };
    PercentWatcher watcher;
    qApp->installEventFilter(&watcher);
    for (const auto& [frames, want] : cases) {
        watcher.seen.clear();
        openThroughDialog(makeRecording("rec" + std::to_string(frames), quick(frames)));
        // Painting may repeat a text; the sequence of distinct texts is what the user sees.
        QStringList distinct;
        for (const QString& t : watcher.seen)
            if (!t.isEmpty() && (distinct.isEmpty() || distinct.back() != t)) distinct << t;
        EXPECT_EQ(distinct, want) << frames;
    }
    qApp->removeEventFilter(&watcher);
    EXPECT_EQ(watcher.barAtShow, QList<int>({0, 0, 0})) << "a fresh bar at 0 for every load";
}

TEST_F(AppOpenTest, OddNamesBlanksAndUndecodableFramesOpen) {
    // Blanks at both ends of the folder name, a name that is not UTF-8, and a frame that is
    // not a picture.
    SampleOptions o = quick(3, 14, true);
    const auto dir = makeRecording(" blank folder ", o);
    const std::string odd = std::string("\xff\xfe-") + SampleFileName(o, 2);
    std::filesystem::rename(dir / SampleFileName(o, 2), dir / odd);
    writePlaceholder(QColor(1, 2, 3));
    openThroughDialog(dir);
    ASSERT_EQ(w().recording().frameCount(), 3);
    EXPECT_EQ(w().recording().folder, dir);
    EXPECT_FALSE(w().image1()->image().isNull());

    // Find the odd one in play order and show it.
    int oddIndex = 0;
    for (int i = 1; i <= 3; ++i)
        if (w().recording().fileNames[static_cast<std::size_t>(i)].string() == odd) oddIndex = i;
    ASSERT_NE(oddIndex, 0);
    w().setCurrentFrame(oddIndex);
    w().image1()->clear();
    w().ShowFrame();
    EXPECT_FALSE(w().image1()->image().isNull()) << "a non-UTF-8 name still decodes";
    EXPECT_EQ(w().shownFileName().string(), odd);

    // Undecodable frames: placeholders in the panel, the previous picture stays, the name changes.
    const auto bad = root() / "bad";
    std::filesystem::create_directory(bad);
    for (const char* n : {"a.jpg", "b.JPG"}) std::ofstream(bad / n) << "not a picture";
    const QImage before = w().image1()->image();
    openThroughDialog(bad);
    ASSERT_EQ(w().recording().frameCount(), 2);
    EXPECT_EQ(w().image1()->image(), before);
    EXPECT_EQ(w().fraStatus()->lblFilename()->text(), QStringLiteral("a.jpg"));
    EXPECT_EQ(w().fraStatus()->lblDate(0)->text(), QStringLiteral("2000/00/00 00:00:00"));
    EXPECT_EQ(w().fraStatus()->lblSpeed()->text(), QStringLiteral("0.0km/h"));
}

// Past the chart's 441 frames: the chart covers the first 441, the rest plays and shows.
TEST_F(AppOpenTest, RecordingsLongerThanTheChartOpenAndStep) {
    openThroughDialog(makeRecording("long", quick(460)));
    ASSERT_EQ(w().recording().frameCount(), 460);
    w().cmdPlay(5)->click();
    EXPECT_EQ(w().recording().CurrentFrame, 460);
    EXPECT_EQ(w().fraStatus()->lblFilename()->text(), QString::fromStdString(w().recording().fileNames[460].string()));
    w().cmdPlay(1)->click();
    EXPECT_EQ(w().recording().CurrentFrame, 459);
    const double originX = w().chart()->model().state().OriginX;
    w().chart()->Pic1_MouseDown(1, 0, originX + 450.0 * 50, 0);
    EXPECT_EQ(w().recording().CurrentFrame, 451);
    for (int i = 0; i < 3; ++i) w().chart()->cbH_Click();
    EXPECT_EQ(w().chart()->hScrollBar()->value(), 0);
}

TEST_F(AppOpenTest, FolderArgumentOpensAfterStartUpAsIfChosen) {
    const auto dir = makeRecording("rec", quick(4));
    w().setRequestedFolder(dir.string() + "/");
    w().show();
    w().openRequestedFolderLater();
    EXPECT_FALSE(w().recording().isOpen()) << "not before the event loop runs";
    ASSERT_TRUE(test::waitUntil([this] { return w().recording().isOpen(); }, 5000));
    EXPECT_EQ(w().recording().folder, dir);
    EXPECT_EQ(w().recording().frameCount(), 4);
    EXPECT_EQ(w().recording().CurrentFrame, 1);
    EXPECT_EQ(w().buttonMode(), 1);
    EXPECT_TRUE(dialogs_.browsed.empty());
}

// The real program: `drviewer FOLDER` with a folder name that has blanks at both ends.
TEST_F(AppOpenTest, ViewerProgramOpensItsFolderArgument) {
    const QString viewer = qEnvironmentVariable("DRV_VIEWER");
    if (viewer.isEmpty()) GTEST_SKIP() << "DRV_VIEWER is not set";
    const auto dir = makeRecording(" demo ", quick(4));
    QTemporaryDir runtime;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("DRV_SMOKE_TEST"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.start(viewer, {QString::fromStdString(dir.string())});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString errors = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 0) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("recording: 4 frames, current 1, folder ") +
                                QString::fromStdString(dir.string()) + QLatin1Char('\n')))
        << errors.toStdString();
    EXPECT_FALSE(errors.contains(QStringLiteral("message["))) << errors.toStdString();
}

TEST_F(AppOpenTest, DoubleClickOpensThePictureWindowOnlyWhenAllowed) {
    w().Image1_DblClick();
    EXPECT_EQ(w().browsing().pictureWindow(), nullptr) << "no folder open";
    const auto dir = makeRecording("rec", quick(20));
    openThroughDialog(dir);
    w().cmdPlay(4)->click();
    w().Image1_DblClick();
    ASSERT_NE(w().browsing().pictureWindow(), nullptr);
    EXPECT_EQ(w().browsing().pictureWindow()->windowTitle(),
              QString::fromStdString((dir / w().shownFileName()).string()));
    w().browsing().closeAll();

    w().mnuStart_Click();  // starting: the play button is off
    w().Image1_DblClick();
    EXPECT_EQ(w().browsing().pictureWindow(), nullptr);
    w().mnuStop_Click();

    // Open closes the picture window before the dialog, even when it is cancelled.
    w().Image1_DblClick();
    ASSERT_NE(w().browsing().pictureWindow(), nullptr);
    w().mnuOpen_Click();
    EXPECT_EQ(w().browsing().pictureWindow(), nullptr);
}

}  // namespace
}  // namespace drv

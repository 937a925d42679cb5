// Opening a recording: the picker, the command line, the worker that reads it, and what the
// window shows of each recording.
#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QUrl>
#include <fstream>

#include "core/recording/recording_loader.h"
#include "core/viewer/panel_text.h"
#include "gui/loading/folder_dialog.h"
#include "gui/loading/load_window.h"
#include "gui/viewer/picture_view.h"
#include "gui/viewer/telemetry_panel.h"
#include "tests/core/support/frame_files.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

using AppOpenTest = test::AppFixture;

// Open resets the controls but the brightness; a double click opens the picture window brightened
// as shown, which the next Open closes even when cancelled; the same folder again, or Open while
// playing, reloads nothing.
TEST_F(AppOpenTest, SuccessResetsTheControlsAndCancelTheSameFolderOrPlayingReloadNothing) {
    const auto dir = makeRecording("rec", quick(7, 14, true));
    w().mnuHi15_Click();
    w().setSpeedLevel(0);
    openThroughDialog(dir);
    ASSERT_EQ(dialogs_.browsed.size(), 1u);
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_EQ(w().lblPath()->text(), QString::fromStdString(dir.string()));
    EXPECT_EQ(w().buttonMode(), 1);
    EXPECT_EQ(w().speedLevel(), 2);
    EXPECT_EQ(w().brightnessMode(), BrightnessMode::X15) << "the brightness mode stays";
    EXPECT_FALSE(w().image1()->image().isNull());

    w().cmdPlay(4)->click();
    w().Image1_DblClick();
    ASSERT_NE(w().browsing().pictureWindow(), nullptr);
    EXPECT_TRUE(w().browsing().pictureWindow()->brightened() && !w().browsing().pictureWindow()->fromList());
    EXPECT_EQ(w().browsing().pictureWindow()->path(), w().recording().framePath(2));
    w().cmdPlay(4)->click();
    w().setSpeedLevel(4);
    w().mnuOpen_Click();  // no folder queued: the dialog is cancelled
    EXPECT_EQ(w().browsing().pictureWindow(), nullptr);
    openThroughDialog(dir);
    ASSERT_EQ(dialogs_.browsed.size(), 3u);
    EXPECT_EQ(dialogs_.browsed[1].startFolder, dir) << "the dialog opens on the current folder";
    EXPECT_EQ(w().recording().CurrentFrame, 3);
    EXPECT_EQ(w().speedLevel(), 4);
    w().mnuStart_Click();
    w().cmdStart()->click();  // refused while playing, without even the dialog
    EXPECT_EQ(dialogs_.browsed.size(), 3u);
    w().mnuStop_Click();
    EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(AppOpenTest, AFolderWithoutFramesSaysItAndShowsThePlaceholder) {
    QImage placeholder(8, 6, QImage::Format_RGB32);
    placeholder.fill(Qt::green);
    ASSERT_TRUE(placeholder.save(programDir_.filePath(QStringLiteral("default_vor.bmp")), "BMP"));
    const auto dir = makeRecording("rec", quick(3));
    openThroughDialog(dir);
    std::filesystem::create_directory(root() / "empty");
    std::ofstream(root() / "empty" / "notes.txt") << "no frames";
    openThroughDialog(root() / "empty");
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("jpgファイルが存在しません。ディレクトリ再指定してください。"));
    EXPECT_TRUE(w().lblPath()->text().isEmpty());
    EXPECT_FALSE(w().recording().isOpen());
    EXPECT_EQ(w().image1()->image().size(), QSize(8, 6)) << "placeholder shown";
    w().mnuStart_Click();  // with no folder the commands that need one do nothing
    EXPECT_FALSE(w().playback().isActive());
    openThroughDialog(dir);
    EXPECT_EQ(w().recording().frameCount(), 3);
}

// However the command line names it, the folder is the one the picker gives: choosing it there
// afterwards reloads nothing.
TEST_F(AppOpenTest, FolderArgumentOpensAfterStartUpAsIfChosen) {
    const auto dir = makeRecording("rec", quick(4));
    std::filesystem::create_directory(root() / "x");
    struct Cwd {
        std::filesystem::path old = std::filesystem::current_path();
        ~Cwd() { std::filesystem::current_path(old); }
    } restore;  // relative arguments are read against the current folder
    std::filesystem::current_path(root());
    w().setRequestedFolder("./x/../rec/.");
    w().show();
    w().openRequestedFolderLater();
    EXPECT_FALSE(w().recording().isOpen()) << "not before the event loop runs";
    ASSERT_TRUE(test::waitUntil([this] { return w().recording().isOpen(); }, 5000));
    EXPECT_TRUE(dialogs_.browsed.empty());
    EXPECT_EQ(w().recording().folder, dir);
    w().cmdPlay(4)->click();
    openThroughDialog(dir);
    EXPECT_EQ(w().recording().CurrentFrame, 2) << "the same folder: nothing reloaded";
    for (const std::string& arg : {std::string("rec"), dir.string() + "/"})
        EXPECT_EQ(FolderFromCommandLine(arg), dir) << arg;
}

// Recordings opened in turn, each stepped to a frame with the buttons: the panel and the channel
// buttons describe that recording only. The elapsed time counts from its trigger (frame 3); the
// first listing starts mid-recording and comes back in time order. A recording without a trigger
// mark starts from the start-up state (7 fps, low quality, no vehicle signals, a main speed,
// elapsed time from frame 201) although the one before differs in each.
TEST_F(AppOpenTest, PanelAndChannelButtonsFollowEachRecording) {
    using K = SampleOptions::TriggerKind;
    const struct {
        int fps;
        K kind;
        bool wired, mainSpeed;
        int rotate, frame;
        const char *rate, *passTime;
    } cases[] = {{14, K::Shock, false, false, 5, 13, "14fps / 高画質", "00.730"},
                 {7, K::Shock, false, true, 0, 2, " 7fps / 高画質", "-00.145"},
                 {14, K::Shock, true, true, 0, 1, "14fps / 高画質", "-00.146"},
                 {14, K::Shock, true, false, 0, 1, "14fps / 高画質", "-00.146"},
                 {14, K::None, true, false, 0, 1, " 7fps / 低画質", "-29.000"}};
    int k = 0;
    for (const auto& c : cases) {
        SampleOptions o = quick(14, c.fps);
        o.trigger = 3, o.kind = c.kind, o.rotate = c.rotate, o.vehicleSignals = c.wired, o.mainSpeed = c.mainSpeed;
        openThroughDialog(makeRecording("rec" + std::to_string(k++), o));
        for (int i = 1; i < c.frame; ++i) w().cmdPlay(4)->click();
        const TelemetryPanel* p = w().fraStatus();
        const FrameRecord& f = w().recording().frames.at(static_cast<std::size_t>(c.frame));
        const bool marked = c.kind != K::None, wired = marked && c.wired, mainSpeed = !marked || c.mainSpeed;
        EXPECT_EQ(p->lblFilename()->text(), QString::fromStdString(SampleFileName(o, c.frame)));
        EXPECT_EQ(p->lblfps()->text(), QString::fromUtf8(c.rate));
        EXPECT_EQ(p->lblMsgInput()->text(), marked ? QStringLiteral("衝撃検出撮影") : QString());
        EXPECT_EQ(p->lblPassTime()->text(), QStringLiteral("経過時間：　") + c.passTime + QStringLiteral("秒"));
        EXPECT_EQ(p->label(1)->text(),
                  wired && mainSpeed ? QStringLiteral("車速パルス速度") : QStringLiteral("     ---"));
        const std::string speed = mainSpeed ? SpeedText(f.Speed) : wired ? SpeedText(f.PulseSpeed) : "----km/h";
        EXPECT_EQ(p->lblSpeed()->text(), QString::fromStdString(speed));
        EXPECT_EQ(p->lblData(0)->text(),
                  wired && mainSpeed ? QString::fromStdString(PulseSpeedText(f.PulseSpeed)) : QString());
        EXPECT_EQ(p->lblBrk()->isVisibleTo(p), wired);
        EXPECT_EQ(w().chart()->channelButton(2)->isVisibleTo(p), wired || mainSpeed);
        EXPECT_EQ(w().chart()->channelButton(3)->isVisibleTo(p), wired);
    }
    EXPECT_EQ(w().chart()->model().picture()->triggerPosition, 10050);
    EXPECT_FALSE(w().recording().state.HighFrameRate) << "paced at 7 fps";
}

// Open reads its folder on a worker: the interface thread neither reads the card nor decodes the
// first frame, answers meanwhile, and closing the window ends the load.
TEST_F(AppOpenTest, LoadsOnAWorkerWhileTheWindowWaitsForIt) {
    auto log = std::make_shared<test::CountingSource>();
    w().prefetcher().setSource(log);
    const SampleOptions o = quick(300, 14, true);
    const auto dir = makeRecording("rec", o);
    w().show();
    QSignalSpy opened(&w(), &MainWindow::recordingChanged);
    dialogs_.folders.push_back(dir);
    w().mnuOpen_Click();
    // Back from the command before the load is over: nothing of the recording is there yet, and
    // nothing that needs one acts.
    ASSERT_TRUE(w().loading());
    EXPECT_FALSE(w().recording().isOpen());
    EXPECT_EQ(w().lblPath()->text(), PathToQString(dir));
    EXPECT_EQ(w().buttonMode(), MainWindow::kButtonsOff);
    w().mnuStart_Click();
    w().cmdPlay(4)->click();
    dialogs_.folders.push_back(root());
    w().mnuOpen_Click();  // a second Open waits for this one
    EXPECT_EQ(dialogs_.browsed.size(), 1u);
    // The loading window shows the percentage while the event loop runs.
    ASSERT_TRUE(
        test::waitUntil([this] { return !w().findChildren<LoadWindow*>().isEmpty() || !w().loading(); }, 30000));
    waitForLoad();
    EXPECT_TRUE(w().findChildren<LoadWindow*>().isEmpty());
    EXPECT_EQ(opened.count(), 1);
    EXPECT_EQ(w().recording().frameCount(), 300);
    EXPECT_EQ(w().recording().CurrentFrame, 1);
    EXPECT_FALSE(w().playback().isActive());
    EXPECT_EQ(w().image1()->image(), expectedPicture(1, BrightnessMode::Standard));
    EXPECT_EQ(log->interfaceReads, 0) << "the first frame was decoded on the worker";
    w().cmdPlay(4)->click();
    EXPECT_EQ(w().recording().CurrentFrame, 2);
}

// Closing the window during a load ends the worker at its next frame; nothing is taken over.
TEST_F(AppOpenTest, ClosingDuringALoadCancelsIt) {
    const auto dir = makeRecording("rec", quick(441));
    w().show();
    QSignalSpy opened(&w(), &MainWindow::recordingChanged);
    dialogs_.folders.push_back(dir);
    w().mnuOpen_Click();
    ASSERT_TRUE(w().loading());
    EXPECT_TRUE(w().close());
    EXPECT_FALSE(w().loading());
    EXPECT_TRUE(w().findChildren<LoadWindow*>().isEmpty());
    test::waitMs(50);  // a finish already queued is never delivered
    EXPECT_EQ(opened.count(), 0);
    EXPECT_FALSE(w().recording().isOpen());
    window_.reset();
}

// The conversions behind the picker's answer: a folder whose name is not UTF-8 comes back as its
// own bytes, from a file URL (bytes percent-encoded, as the desktop's pickers give it) or from text
// through the file-name codec (U+FFFD in place of the bytes), and its frames load.
TEST(PickedFolder, NamesThatAreNotUtf8ComeBackAsTheirBytes) {
    test::TempFolder tmp;  // removes by bytes, which QTemporaryDir cannot
    const std::filesystem::path root = tmp.path();
    const std::filesystem::path folder = root / "\xff\xfe rec", nested = folder / "\x83\x74 sub";
    std::filesystem::create_directories(nested);
    std::filesystem::create_directory(root / "\xfe rec");  // shown differently: one U+FFFD
    SampleOptions o;
    o.frames = 3, o.drawPictures = false;
    ASSERT_TRUE(MakeSampleRecording(folder, o, nullptr));
    const QUrl desktop(QStringLiteral("file://") + PathToQString(root) + QStringLiteral("/%FF%FE%20rec"));
    const QString shown = PathToQString(folder);
    EXPECT_EQ(PathToUrl(folder), desktop) << "the start folder goes out in the same form";
    for (const std::filesystem::path& back : {UrlToPath(desktop), UrlToPath(QUrl::fromLocalFile(shown)),
                                              QStringToPath(shown), QStringToPath(PathToQString(nested)).parent_path()})
        EXPECT_EQ(back, folder);
    EXPECT_EQ(ListJpgFiles(UrlToPath(desktop)).size(), 4u) << "its frames load";
    std::filesystem::create_directory(root / "\xfe\xff rec");  // now two names show as the same text
    EXPECT_FALSE(std::filesystem::exists(QStringToPath(shown))) << "never a guess";
    EXPECT_EQ(UrlToPath(desktop), folder) << "a URL needs none";
}

}  // namespace
}  // namespace drv

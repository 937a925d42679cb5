#pragma once
// frmMain: the program's central window. It owns the open recording and coordinates
// the picture, the navigation buttons, the speed trackbar, the panel and the chart.
#include <QMainWindow>
#include <array>
#include <filesystem>
#include <optional>
#include <utility>
#include <string_view>

#include "core/recording/recording.h"
#include "core/common/clock.h"
#include "core/viewer/brightness.h"
#include "core/viewer/playback.h"
#include "gui/app/viewer_state.h"
#include "gui/browse/picture_browsing.h"
#include "gui/events/event_list_launcher.h"
#include "gui/graphs/chart_view.h"
#include "gui/video/video_export.h"
#include "gui/viewer/frame_prefetcher.h"
#include "gui/viewer/qt_scheduler.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSlider;

namespace drv {

class AppPaths;
class Dialogs;
class LoadWindow;
class PictureView;
class RecordingLoad;
class TelemetryPanel;
class VideoProgressDialog;

inline const QString kAppTitle = QStringLiteral("ドライブレコーダー ビューワーソフト");

// The window is the host of the chart and of playback: both ask it to show a frame, and read
// the playing state and the current frame from the recording it owns.
class MainWindow : public QMainWindow, public ChartHost, public PlaybackHost {
    Q_OBJECT
public:
    // Client area below the menu bar: 12285 x 9645 twips.
    static constexpr int kClientWidth = 819;
    static constexpr int kClientHeight = 643;

    // Enable modes of the navigation buttons.
    static constexpr int kButtonsOff = ViewerState::kButtonsOff;
    static constexpr int kButtonsAll = ViewerState::kButtonsAll;
    static constexpr int kButtonsPlaying = ViewerState::kButtonsPlaying;

    // The menu tree; entries named as the menus they stand for.
    struct Menus {
        QMenu* mnuFile = nullptr;
        QAction* mnuOpen = nullptr;
        QAction* mnuEvents = nullptr;
        QAction* mnuExportVideo = nullptr;
        QAction* mnuSeparate1 = nullptr;
        QAction* mnuQuit = nullptr;
        QMenu* mnuDisplay = nullptr;
        QAction* mnuStart = nullptr;
        QAction* mnuStop = nullptr;
        QAction* mnuSeparate2 = nullptr;
        QAction* mnuAllDsp = nullptr;
        QMenu* mnuBright = nullptr;
        QAction* mnuOrg = nullptr;
        QAction* mnuHi15 = nullptr;
        QAction* mnuHi20 = nullptr;
        QAction* mnuSeparate5 = nullptr;
        QAction* mnuDRSetting = nullptr;
        QMenu* mnuHelp = nullptr;
        QAction* mnuHelpAbout = nullptr;
    };

    // One action per command, shared by its button, its menu entry and its key; SetButtonState
    // and updateCommands are the one place that enables them.
    struct Commands {
        std::array<QAction*, 6> navigation{};  // first, back, play, stop, forward, last: the cmdPlay buttons
        QAction* trigger = nullptr;            // T: the trigger frame
        QAction* save = nullptr;               // the picture's menu: the picture as shown
        QAction* exportTelemetry = nullptr;    // the picture's menu: CSV, GPX, KML
        QAction* video = nullptr;              // mnuExportVideo, also in the picture's menu
    };

    MainWindow(Dialogs& dialogs, const AppPaths& paths, QWidget* parent = nullptr);
    ~MainWindow() override;

    Recording& recording() { return recording_; }
    const Recording& recording() const { return recording_; }
    Dialogs& dialogs() { return dialogs_; }

    // Sets the six navigation buttons for mode 0 (all off), 1 (all on) or 2 (only stop on).
    // Other values leave the buttons as they are.
    void SetButtonState(int mode) override;
    int buttonMode() const { return view_.buttonMode; }
    const ViewerState& viewerState() const { return view_; }

    BrightnessMode brightnessMode() const override;
    // The speed level 0 (Slow) .. 4 (Fast) of the trackbar.
    int speedLevel() const override;
    void setSpeedLevel(int level);

    // The folder given on the command line, opened after start-up as if chosen in the dialog.
    void setRequestedFolder(const std::filesystem::path& folder) { requestedFolder_ = folder; }
    // Opens the requested folder as if chosen in the Open dialog: now, or from a zero-delay
    // single shot once the window is up.
    void openRequestedFolder();
    void openRequestedFolderLater();

    // The frame at CurrentFrame into Image1 (brightened unless standard) and its name into
    // lblFilename. A file that cannot be decoded leaves the previous picture.
    void ShowFrame() override;
    void UpdateGraphCursor(int frame) override;
    void UpdateDataPanel(int frame) override;
    void resetChartScroll() override;

    // The one routine that puts a frame on screen: CurrentFrame, picture, file name, panel and
    // chart cursor, then currentFrameChanged. Playback, the buttons, the keys, the chart, Open
    // and the event list all come here.
    void showFrameOnScreen(int frame) override;
    // ChartHost: the click has placed the cursor on `frame` already.
    void showClickedFrame(int frame) override;

    // ChartHost
    bool folderOpen() const override { return recording_.isOpen(); }
    bool playEnabled() const override;
    int currentFrame() const override { return recording_.CurrentFrame; }
    int frameCount() const override { return recording_.frameCount(); }
    void setCurrentFrame(int frame) override;

    // Controls, for the subsystems that fill the window and for tests.
    const Menus& menus() const { return menus_; }
    const Commands& commands() const { return commands_; }
    QPushButton* cmdStart() const { return cmdStart_; }
    QPushButton* cmdPlay(int index) const { return cmdPlay_.at(static_cast<std::size_t>(index)); }
    QLabel* lblPath() const { return lblPath_; }
    PictureView* image1() const { return image1_; }
    QSlider* trackBar() const { return trackBar_; }
    TelemetryPanel* fraStatus() const { return fraStatus_; }
    QLabel* lblKido() const;
    ChartView* chart() const { return chart_; }
    PlaybackController& playback() { return playback_; }
    PictureBrowsing& browsing() { return browsing_; }
    // The event list window and its root folder picker.
    EventListLauncher& eventList() { return events_; }
    // Decodes the frames playback shows next; its source is the seam for slow media.
    FramePrefetcher& prefetcher() { return prefetcher_; }

    // An Open is reading its folder on the worker (the loading window is up).
    bool loading() const { return load_ != nullptr; }

    // Shows recording().folder (empty: no recording) in lblPath.
    void updatePathCaption();

signals:
    // The frame on screen changed (also to the same number in another recording).
    void currentFrameChanged(int frame);
    // Another recording is open, or none: after an Open finished (before its first frame is
    // shown), or after a load that left no recording.
    void recordingChanged();

public slots:
    void mnuOpen_Click();
    // "イベント一覧(&L)...": every recording below a chosen folder; not while playing.
    void mnuEvents_Click();
    void cmdStart_Click();
    void mnuQuit_Click();
    void mnuHelpAbout_Click();
    void mnuStart_Click();
    void mnuStop_Click();
    void cmdPlay_Click(int index);
    void mnuOrg_Click();
    void mnuHi15_Click();
    void mnuHi20_Click();
    void mnuAllDsp_Click();
    void mnuDRSetting_Click();
    void Image1_DblClick();

    // Keys and the picture's context menu (gui/app/main_window_keys.cpp).
    // T: the trigger frame as the current frame, shown like every frame; only while stopped.
    void showTriggerFrame();
    // Right button on the picture: the menu, only with a folder open and playback stopped.
    void Image1_ContextMenu(const QPoint& pos);
    // "この画像を保存...": the picture as shown, as PNG or JPEG (with the frame's Exif).
    // True when a file was written.
    bool savePictureAs();
    // "テレメトリをエクスポート...": CSV, GPX or KML by the chosen filter.
    bool exportTelemetryAs();

    // MP4 export (gui/app/main_window_video.cpp). "動画に書き出す(&E)...": the choices, the
    // file, then the export on a worker thread; only with a recording open and playback stopped.
    void mnuExportVideo_Click();
    // Starts an export of the open recording with its progress dialog; false when refused
    // (no recording, playing, or an export already running).
    bool startVideoExport(const VideoExportRequest& request);

public:
    QMenu* pictureMenu() const { return pictureMenu_; }
    VideoProgressDialog* videoExport() const { return videoExport_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void createMenus();
    void createControls(QWidget* client);
    void createStatusFrame(QWidget* client);
    void createSpeedTrackbar(QWidget* client);
    void createChartArea(QWidget* client);
    void setBrightness(BrightnessMode mode);
    void brightnessChosen(BrightnessMode mode);
    void showFrameFile(int index, bool playing);
    enum class CursorMove { Follow, Placed };
    void showFrameWith(int frame, CursorMove cursor);
    void prefetchFrom(int first);
    int playbackStep() const;
    void prefetchForStart();
    void startPlayback();
    void closeOtherWindows();
    // False while playing or loading: the list then says why.
    bool openFromEventList(const std::filesystem::path& folder);
    // Open, from the menu, the command line or the event list, is refused while playing or
    // loading; otherwise the other windows close first.
    bool playing() const;
    bool readyToOpen();
    // The Open command after the folder dialog: `chosen` as the dialog returned it. The same
    // folder as the open one does nothing.
    void openFolder(const std::filesystem::path& chosen);
    // The worker found frames: the loading window comes up and the panel waits.
    void loadListed();
    // The worker is done: the recording is taken over and its first frame shown, or the
    // folder had no frames.
    void loadFinished();
    // Ends a load under way without taking its result (the window is closing).
    void cancelLoad();
    bool triggerAfterLoad_ = false;  // an event list row: its trigger frame once loaded
    void createKeys();
    void createPictureMenu();
    bool stoppedWithRecording() const;
    // default_vor.bmp from the program's folder, or an empty picture when it cannot be read:
    // never a picture of a recording that is no longer open.
    void showPlaceholderPicture();
    // The frame file of `frame` in the open recording; empty for 0 (none).
    std::filesystem::path frameFile(int frame) const;
    void triggerIfEnabled(QAction* command);
    bool writeFileOrTell(const std::filesystem::path& file, std::string_view bytes);
    void updateCommands();
    void videoExportFinished(const VideoExportResult& result);
    std::filesystem::path saveFolder() const;
    void centreOnScreen();
    QSize fixedOuterSize() const;

    Dialogs& dialogs_;
    const AppPaths& paths_;
    Recording recording_;
    // The timer outlives the controller that schedules on it.
    QtScheduler scheduler_;
    SteadyClock clock_;
    PlaybackController playback_;
    PictureBrowsing browsing_;
    EventListLauncher events_;
    FramePrefetcher prefetcher_{std::make_shared<FileFrameSource>()};
    std::filesystem::path requestedFolder_;
    // Frames of the open recording; 0: none (the placeholder, or nothing shown yet).
    int shownFrame_ = 0;                                     // the frame whose name lblFilename shows
    int pictureFrame_ = 0;                                   // the frame whose picture Image1 shows
    BrightnessMode pictureMode_ = BrightnessMode::Standard;  // the mode the picture was brightened for
    std::filesystem::path saveFolder_;                       // where the last save went
    ViewerState view_;
    bool snapping_ = false;

    Menus menus_;
    Commands commands_;
    QPushButton* cmdStart_ = nullptr;
    std::array<QPushButton*, 6> cmdPlay_{};
    QLabel* lblPath_ = nullptr;
    PictureView* image1_ = nullptr;
    QSlider* trackBar_ = nullptr;
    TelemetryPanel* fraStatus_ = nullptr;
    ChartView* chart_ = nullptr;
    QMenu* pictureMenu_ = nullptr;
    VideoProgressDialog* videoExport_ = nullptr;  // the export under way
    RecordingLoad* load_ = nullptr;               // the Open under way
    LoadWindow* loadWindow_ = nullptr;            // its progress, once frames were found
    int modeBeforeLoad_ = kButtonsOff;            // the buttons come back to it when the folder has no frames
    // Frame 1's picture as the load decoded it, taken by the first showing of that frame.
    std::optional<std::pair<FrameKey, QImage>> openedPicture_;
};

}  // namespace drv

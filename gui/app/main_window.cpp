#include "gui/app/main_window.h"

#include <algorithm>
#include <utility>

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QTimer>

#include "core/recording/recording_loader.h"
#include "core/viewer/panel_text.h"
#include "gui/common/app_paths.h"
#include "gui/common/dialogs.h"
#include "gui/common/twips.h"
#include "gui/common/ui_font.h"
#include "gui/common/picture_file.h"
#include "gui/loading/folder_dialog.h"
#include "gui/loading/load_window.h"
#include "gui/loading/recording_load.h"
#include "gui/settings/settings_window.h"
#include "gui/video/video_progress_dialog.h"
#include "gui/viewer/picture_view.h"
#include "gui/viewer/telemetry_panel.h"
#include "core/common/version.h"

namespace drv {

namespace {

const QString kKidoStandard = QStringLiteral("輝度：　標準");
const QString kKidoX15 = QStringLiteral("輝度：　x1.5");
const QString kKidoX20 = QStringLiteral("輝度：　x2.0");

const QString kOpenTitle = QStringLiteral("画像保存先フォルダを選択してください");
const QString kNoJpgMessage = QStringLiteral("jpgファイルが存在しません。ディレクトリ再指定してください。");
const QString kQuitDuringVideo = QStringLiteral("動画の書き出し中です。書き出しを中止して終了しますか？");
const QString kPulseRowCaption = QStringLiteral("車速パルス速度");
const QString kNoPulseRowCaption = QStringLiteral("     ---");

QLabel* makeLabel(QWidget* parent, const QString& text, const QRect& rect, const char* name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(rect);
    return label;
}

enum class Glyph { First, Back, Play, Stop, Forward, Last };

// The navigation pictures, drawn in solid colours so that the greyed disabled
// state is plain to see.
QIcon navigationIcon(Glyph glyph) {
    constexpr int kSize = 16;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QColor ink(35, 35, 35);
    auto left = [&p](double x, double width) {
        p.drawPolygon(QPolygonF({QPointF(x + width, 3), QPointF(x + width, 13), QPointF(x, 8)}));
    };
    auto right = [&p](double x, double width) {
        p.drawPolygon(QPolygonF({QPointF(x, 3), QPointF(x, 13), QPointF(x + width, 8)}));
    };
    auto bar = [&p](double x) { p.drawRect(QRectF(x, 3, 2, 10)); };
    p.setBrush(ink);
    switch (glyph) {
        case Glyph::First:
            bar(2);
            left(4, 5);
            left(9, 5);
            break;
        case Glyph::Back:
            left(4, 6);
            bar(10.5);
            break;
        case Glyph::Play:
            p.setBrush(QColor(0, 130, 40));
            right(4, 9);
            break;
        case Glyph::Stop:
            p.setBrush(QColor(170, 20, 20));
            p.drawRect(QRectF(4, 4, 8, 8));
            break;
        case Glyph::Forward:
            bar(3.5);
            right(6, 6);
            break;
        case Glyph::Last:
            right(2, 5);
            right(7, 5);
            bar(12);
            break;
    }
    return QIcon(pixmap);
}

}  // namespace

MainWindow::MainWindow(Dialogs& dialogs, const AppPaths& paths, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      paths_(paths),
      scheduler_(nullptr),
      playback_(recording_, *this, scheduler_, clock_),
      browsing_(this),
      events_(dialogs, [this](const std::filesystem::path& folder) { return openFromEventList(folder); }) {
    scheduler_.setCallback([this] { playback_.onTimer(); });
    events_.setScreenBrightness([this] { return brightnessMode(); });
    setObjectName(QStringLiteral("frmMain"));
    setFont(JapaneseUiFont());
    createMenus();
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);
    createControls(client);
    Form_Load();
}

MainWindow::~MainWindow() { cancelLoad(); }

void MainWindow::createMenus() {
    QMenuBar* bar = menuBar();
    auto entry = [this](QMenu* menu, const QString& caption, const char* name, void (MainWindow::*handler)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    auto separator = [](QMenu* menu, const char* name) {
        QAction* action = menu->addSeparator();
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };

    Menus& m = menus_;
    m.mnuFile = bar->addMenu(QStringLiteral("ファイル(&F)"));
    m.mnuFile->setObjectName(QStringLiteral("mnuFile"));
    m.mnuOpen = entry(m.mnuFile, QStringLiteral("開く(&O)"), "mnuOpen", &MainWindow::mnuOpen_Click);
    m.mnuEvents = entry(m.mnuFile, QStringLiteral("イベント一覧(&L)..."), "mnuEvents", &MainWindow::mnuEvents_Click);
    m.mnuExportVideo =
        entry(m.mnuFile, QStringLiteral("動画に書き出す(&E)..."), "mnuExportVideo", &MainWindow::mnuExportVideo_Click);
    m.mnuSeparate1 = separator(m.mnuFile, "mnuSeparate1");
    m.mnuQuit = entry(m.mnuFile, QStringLiteral("終了(&Q)"), "mnuQuit", &MainWindow::mnuQuit_Click);

    m.mnuDisplay = bar->addMenu(QStringLiteral("表示(&V)"));
    m.mnuDisplay->setObjectName(QStringLiteral("mnuDisplay"));
    m.mnuStart = entry(m.mnuDisplay, QStringLiteral("開始(&S)"), "mnuStart", &MainWindow::mnuStart_Click);
    m.mnuStop = entry(m.mnuDisplay, QStringLiteral("停止(&E)"), "mnuStop", &MainWindow::mnuStop_Click);
    m.mnuSeparate2 = separator(m.mnuDisplay, "mnuSeparate2");
    m.mnuAllDsp = entry(m.mnuDisplay, QStringLiteral("一覧表示(&A)"), "mnuAllDsp", &MainWindow::mnuAllDsp_Click);

    m.mnuBright = bar->addMenu(QStringLiteral("輝度調整(&B)"));
    m.mnuBright->setObjectName(QStringLiteral("mnuBright"));
    m.mnuOrg = entry(m.mnuBright, QStringLiteral("標準(&L)"), "mnuOrg", &MainWindow::mnuOrg_Click);
    m.mnuHi15 = entry(m.mnuBright, QStringLiteral("x 1.5(&M)"), "mnuHi15", &MainWindow::mnuHi15_Click);
    m.mnuHi20 = entry(m.mnuBright, QStringLiteral("x 2.0(&H)"), "mnuHi20", &MainWindow::mnuHi20_Click);
    m.mnuSeparate5 = separator(m.mnuBright, "mnuSeparate5");
    m.mnuDRSetting = entry(m.mnuBright, QStringLiteral("本体設定"), "mnuDRSetting", &MainWindow::mnuDRSetting_Click);

    m.mnuHelp = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    m.mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    m.mnuHelpAbout =
        entry(m.mnuHelp, QStringLiteral("バージョン情報(&A)"), "mnuHelpAbout", &MainWindow::mnuHelpAbout_Click);

    // The thumbnail list and the recorder settings stay in the tree with their
    // commands, but the menus never offer them.
    m.mnuSeparate2->setVisible(false);
    m.mnuAllDsp->setVisible(false);
    m.mnuSeparate5->setVisible(false);
    m.mnuDRSetting->setVisible(false);
    m.mnuDRSetting->setEnabled(false);

    // Check marks rather than an action group's radio dots; the handlers keep exactly
    // one ticked (choosing the ticked entry again leaves it ticked).
    for (QAction* action : {m.mnuOrg, m.mnuHi15, m.mnuHi20}) action->setCheckable(true);
}

void MainWindow::createControls(QWidget* client) {
    QStyle* st = style();

    cmdStart_ = new QPushButton(client);
    cmdStart_->setObjectName(QStringLiteral("cmdStart"));
    cmdStart_->setGeometry(TwipsRect(200, 60, 820, 480));
    cmdStart_->setIcon(st->standardIcon(QStyle::SP_DirOpenIcon));
    cmdStart_->setIconSize(QSize(24, 24));
    cmdStart_->setToolTip(QStringLiteral("ファイルを開く"));
    connect(cmdStart_, &QPushButton::clicked, this, &MainWindow::cmdStart_Click);

    lblPath_ = makeLabel(client, QString(), TwipsRect(1020, 100, 11120, 370), "lblPath");
    lblPath_->setTextFormat(Qt::PlainText);

    image1_ = new PictureView(client);
    image1_->setObjectName(QStringLiteral("Image1"));
    image1_->setGeometry(TwipsRect(200, 609, 6604, 4956));
    connect(image1_, &PictureView::doubleClicked, this, &MainWindow::Image1_DblClick);

    // first, one back, play, stop, one forward, last
    constexpr std::array<int, 6> lefts{260, 980, 1700, 2660, 3380, 4100};
    constexpr std::array<Glyph, 6> pictures{Glyph::First, Glyph::Back,    Glyph::Play,
                                            Glyph::Stop,  Glyph::Forward, Glyph::Last};
    for (int i = 0; i < 6; ++i) {
        const auto k = static_cast<std::size_t>(i);
        auto* button = new QPushButton(client);
        button->setObjectName(QStringLiteral("cmdPlay_%1").arg(i));
        button->setGeometry(TwipsRect(lefts[k], 5660, i == 2 ? 960 : 720, 380));
        button->setIcon(navigationIcon(pictures[k]));
        button->setIconSize(QSize(16, 16));
        auto* command = new QAction(this);
        command->setObjectName(QStringLiteral("cmdPlay_%1_action").arg(i));
        connect(command, &QAction::triggered, this, [this, i] { cmdPlay_Click(i); });
        connect(command, &QAction::changed, button, [button, command] { button->setEnabled(command->isEnabled()); });
        connect(button, &QPushButton::clicked, command, &QAction::trigger);
        commands_.navigation[k] = command;
        cmdPlay_[k] = button;
    }
    cmdPlay_[0]->setToolTip(QStringLiteral("先頭に戻る"));
    cmdPlay_[5]->setToolTip(QStringLiteral("最後尾へ進む"));

    createSpeedTrackbar(client);
    createStatusFrame(client);
    createChartArea(client);
    createKeys();
    createPictureMenu();
}

void MainWindow::createSpeedTrackbar(QWidget* client) {
    auto* picture1 = new QWidget(client);
    picture1->setObjectName(QStringLiteral("Picture1"));
    picture1->setGeometry(TwipsRect(4920, 5700, 1815, 375));

    trackBar_ = new QSlider(Qt::Horizontal, picture1);
    trackBar_->setObjectName(QStringLiteral("hwndTrackBar"));
    trackBar_->setGeometry(0, 0, picture1->width(), picture1->height());
    trackBar_->setRange(0, 4);
    trackBar_->setSingleStep(1);
    trackBar_->setPageStep(1);
    trackBar_->setTickPosition(QSlider::TicksAbove);
    trackBar_->setTickInterval(1);
    trackBar_->setValue(2);
    connect(trackBar_, &QSlider::valueChanged, this, [this](int level) { view_.speedLevel = level; });
    // Focus given to the container goes on to the trackbar.
    picture1->setFocusProxy(trackBar_);

    QFont small = font();
    small.setPixelSize(9);
    const char* names[2] = {"lblBarN_0", "lblBarN_1"};
    const QString captions[2] = {QStringLiteral("Slow"), QStringLiteral("Fast")};
    const int lefts[2] = {4960, 6360};
    for (std::size_t i = 0; i < 2; ++i) {
        QRect rect = TwipsRect(lefts[i], 5580, 380, 135);
        QLabel* label = makeLabel(client, captions[i], rect, names[i]);
        label->setFont(small);
        // The box laid out in twips is a little narrow for the text in this font: grow it rather than clip.
        rect.setWidth(std::max(rect.width(), label->sizeHint().width()));
        rect.setHeight(std::max(rect.height(), label->fontMetrics().height()));
        label->setGeometry(rect);
    }
}

void MainWindow::createStatusFrame(QWidget* client) {
    fraStatus_ = new TelemetryPanel(client);
    fraStatus_->move(TwipsRect(6860, 500, 5300, 5540).topLeft());
}

// The chart under the picture; its channel and zoom buttons live in the status frame.
void MainWindow::createChartArea(QWidget* client) {
    chart_ = new ChartView(*this, recording_.state, client);
    chart_->setObjectName(QStringLiteral("chart"));
    chart_->setGeometry(ChartView::defaultGeometry());
    chart_->placeButtons(fraStatus_);
}

QLabel* MainWindow::lblKido() const { return fraStatus_->lblKido(); }

void MainWindow::Form_Load() {
    centreOnScreen();
    setBrightness(BrightnessMode::Standard);
    recording_.fileNames.assign(1, std::filesystem::path());
    recording_.folder.clear();
    updatePathCaption();
    SetButtonState(kButtonsOff);
    setWindowTitle(kAppTitle);
    recording_.frames.assign(401, FrameRecord{});
    recording_.state.TriggerPosition = kStartupTriggerPosition;
    chart_->setGraphWidth(kStartupGraphWidth);
    chart_->SetUpGraphs();
    showPlaceholderPicture();
    trackBar_->setValue(2);
    fraStatus_->setBrightnessText(kKidoStandard);
}

QSize MainWindow::fixedOuterSize() const { return QSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height()); }

void MainWindow::centreOnScreen() {
    const QSize outer = fixedOuterSize();
    setFixedSize(outer);
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
}

void MainWindow::showPlaceholderPicture() {
    const QImage picture = ReadPicture(paths_.programFolder() / "default_vor.bmp");
    browsing_.setPlaceholder(picture);  // also for thumbnails that cannot be decoded
    if (picture.isNull()) {
        image1_->clear();
    } else {
        image1_->setImage(picture);
    }
    shownFrame_ = 0;
    pictureFrame_ = 0;
}

std::filesystem::path MainWindow::frameFile(int frame) const {
    if (frame < 1 || frame > recording_.frameCount()) return {};
    return recording_.framePath(frame);
}

void MainWindow::updatePathCaption() { lblPath_->setText(PathToQString(recording_.folder)); }

void MainWindow::SetButtonState(int mode) {
    static constexpr bool kOn[3][6] = {
        {false, false, false, false, false, false},
        {true, true, true, true, true, true},
        {false, false, false, true, false, false},
    };
    if (mode < 0 || mode > 2) return;
    view_.buttonMode = mode;
    for (std::size_t i = 0; i < 6; ++i) commands_.navigation[i]->setEnabled(kOn[mode][i]);
    updateCommands();
    // Playback stopped or ended: the frames decoded ahead will not be shown.
    if (!playback_.isActive()) prefetcher_.cancel();
}

BrightnessMode MainWindow::brightnessMode() const { return view_.brightness; }

int MainWindow::speedLevel() const { return view_.speedLevel; }

// The trackbar keeps view_.speedLevel in step through its valueChanged.
void MainWindow::setSpeedLevel(int level) { trackBar_->setValue(level); }

void MainWindow::setBrightness(BrightnessMode mode) {
    view_.brightness = mode;
    menus_.mnuOrg->setChecked(mode == BrightnessMode::Standard);
    menus_.mnuHi15->setChecked(mode == BrightnessMode::X15);
    menus_.mnuHi20->setChecked(mode == BrightnessMode::X20);
    switch (mode) {
        case BrightnessMode::Standard: fraStatus_->setBrightnessText(kKidoStandard); break;
        case BrightnessMode::X15: fraStatus_->setBrightnessText(kKidoX15); break;
        case BrightnessMode::X20: fraStatus_->setBrightnessText(kKidoX20); break;
    }
}

// The chosen entry is ticked and the frame on screen is shown again from its file, so the
// brightening never piles up; also during playback, where the frame on screen is the last
// one shown while CurrentFrame already names the next.
void MainWindow::brightnessChosen(BrightnessMode mode) {
    setBrightness(mode);
    if (!recording_.isOpen() || load_) return;
    if (recording_.IsPlaying) {
        showFrameFile(recording_.LastShownFrame, false);
        return;
    }
    const int n = recording_.frameCount();
    // Past the end (playback ended on a skip, or a click beyond the last frame) the panel and
    // the cursor still describe the frame shown last: that one comes back, not frame N.
    if (recording_.CurrentFrame > n) {
        recording_.CurrentFrame = ToFrameIndex(std::min(shownFrame_, n));
        view_.restartAtFirst = true;
    }
    ShowFrame();
}

void MainWindow::ShowFrame() { showFrameFile(recording_.CurrentFrame, playback_.isActive()); }

void MainWindow::showFrameFile(int index, bool playing) {
    // Only after an Open that found no frames can the index lack a file: nothing to show then.
    if (index < 1 || index > recording_.frameCount()) return;
    const std::filesystem::path& name = recording_.fileNames[static_cast<std::size_t>(index)];
    // The cached picture is the decoded file, never brightened: the brightening below works on
    // this copy (QImage detaches on write).
    FrameKey shown{index, recording_.folder / name};
    QImage picture;
    if (openedPicture_ && openedPicture_->first == shown) {
        picture = std::move(openedPicture_->second);  // decoded by the load, shown once
        openedPicture_.reset();
    } else {
        picture = prefetcher_.picture(shown);
    }
    // The next frames are read while this one is brightened and painted.
    if (playing) prefetchFrom(index + playbackStep());
    shownFrame_ = index;
    fraStatus_->setFileName(PathToQString(name));
    const BrightnessMode mode = brightnessMode();
    if (picture.isNull()) {
        // The previous picture stays. When it was brightened for another mode, it is decoded
        // again from its file in this one, so that it agrees with the brightness caption.
        if (pictureFrame_ == 0 || pictureMode_ == mode) return;
        shown = FrameKey{pictureFrame_, frameFile(pictureFrame_)};
        picture = prefetcher_.picture(shown);
        if (picture.isNull()) return;
    }
    image1_->setImage(BrightenedPicture(std::move(picture), mode));
    pictureFrame_ = shown.index;
    pictureMode_ = mode;
}

// The frames the loop will show from `first` on, at the pace the trackbar and brightness give now.
void MainWindow::prefetchFrom(int first) {
    const int step = playbackStep();
    const int n = recording_.frameCount();
    const auto depth = static_cast<std::size_t>(prefetcher_.depth());
    std::vector<FrameKey> next;
    for (int frame = std::max(first, 1); frame <= n && next.size() < depth; frame += step) {
        next.push_back(FrameKey{frame, recording_.framePath(frame)});
    }
    prefetcher_.prefetch(std::move(next));
}

// The loop's step from one shown frame to the next, as the pacing gives it now.
int MainWindow::playbackStep() const {
    return 1 +
           PacingFor(speedLevel(), brightnessMode() != BrightnessMode::Standard, recording_.state.HighFrameRate).skip;
}

// The loop's first step shows CurrentFrame (again, when Start has just shown frame 1).
void MainWindow::prefetchForStart() {
    if (playback_.isActive()) prefetchFrom(recording_.CurrentFrame);
}

void MainWindow::showFrameOnScreen(int frame) { showFrameWith(frame, CursorMove::Follow); }

void MainWindow::showClickedFrame(int frame) { showFrameWith(frame, CursorMove::Placed); }

void MainWindow::showFrameWith(int frame, CursorMove cursor) {
    recording_.CurrentFrame = ToFrameIndex(frame);
    view_.restartAtFirst = false;
    ShowFrame();
    if (cursor == CursorMove::Follow) UpdateGraphCursor(recording_.CurrentFrame);
    UpdateDataPanel(recording_.CurrentFrame);
    emit currentFrameChanged(recording_.CurrentFrame);
}

void MainWindow::UpdateGraphCursor(int frame) { chart_->UpdateGraphCursor(frame); }

void MainWindow::UpdateDataPanel(int frame) { fraStatus_->UpdateDataPanel(recording_, frame); }

void MainWindow::resetChartScroll() { chart_->setHScrollValue(0); }

bool MainWindow::playEnabled() const { return view_.playEnabled(); }

void MainWindow::setCurrentFrame(int frame) { recording_.CurrentFrame = ToFrameIndex(frame); }

// Playback starting or running: only the stop button is on then.
bool MainWindow::playing() const { return view_.stopOnly() || playback_.isActive(); }

bool MainWindow::readyToOpen() {
    if (playing() || load_) return false;
    closeOtherWindows();
    return true;
}

void MainWindow::mnuOpen_Click() {
    if (readyToOpen()) openFolder(dialogs_.browseForFolder(this, kOpenTitle, recording_.folder));
}

void MainWindow::mnuEvents_Click() {
    if (!playing()) events_.chooseRoot(this, recording_.folder);
}

// A row of the event list: the Open command after its dialog, then the trigger frame as T
// shows it (the list's picture is that frame). The list is a window of its own and stays open;
// this window comes forward to show the recording.
bool MainWindow::openFromEventList(const std::filesystem::path& folder) {
    if (!readyToOpen()) return false;
    if (folder.native() == recording_.folder.native()) {
        showTriggerFrame();
    } else {
        openFolder(folder);
        triggerAfterLoad_ = load_ != nullptr;
    }
    raise();
    activateWindow();
    return true;
}

// The picture window, the thumbnail list and any dialog the window owns, except the progress
// of a video export: it works on its own copy of the recording and goes on.
void MainWindow::closeOtherWindows() {
    browsing_.closeAll();
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child->isWindow() && child->isVisible() && child != videoExport_) child->close();
    }
}

void MainWindow::openRequestedFolderLater() {
    if (requestedFolder_.empty()) return;
    QTimer::singleShot(0, this, &MainWindow::openRequestedFolder);
}

void MainWindow::openRequestedFolder() {
    if (!requestedFolder_.empty() && readyToOpen()) openFolder(FolderFromCommandLine(requestedFolder_));
}

void MainWindow::openFolder(const std::filesystem::path& chosen) {
    // Cancelled (the dialog gave the old folder back) or the same folder: nothing is reloaded.
    if (chosen.native() == recording_.folder.native() || load_) return;
    triggerAfterLoad_ = false;
    prefetcher_.cancel();
    openedPicture_.reset();
    // Until the load is over no recording is open: every command that needs one waits.
    modeBeforeLoad_ = view_.buttonMode;
    SetButtonState(kButtonsOff);
    recording_.folder.clear();
    recording_.fileNames.assign(1, std::filesystem::path());
    lblPath_->setText(PathToQString(chosen));

    load_ = new RecordingLoad(chosen, recording_.state, prefetcher_.source(), this);
    connect(load_, &RecordingLoad::listed, this, &MainWindow::loadListed);
    connect(load_, &RecordingLoad::finished, this, &MainWindow::loadFinished);
    load_->start();
}

void MainWindow::loadListed() {
    fraStatus_->setEnabled(false);
    // The load starts from the start-up recording state, caption included.
    fraStatus_->setTriggerKind(QString());
    // One loading window per load, with a fresh bar at 0.
    loadWindow_ = new LoadWindow(this);
    connect(load_, &RecordingLoad::progress, loadWindow_, &LoadWindow::setProgress);
    loadWindow_->showNow();
}

void MainWindow::cancelLoad() {
    delete load_;  // cancels and waits for the worker's current frame
    load_ = nullptr;
    delete loadWindow_;
    loadWindow_ = nullptr;
}

void MainWindow::loadFinished() {
    LoadedRecording loaded = load_->takeResult();
    // This runs inside the load's own signal: it goes once the signal is over.
    load_->deleteLater();
    load_ = nullptr;
    delete loadWindow_;
    loadWindow_ = nullptr;

    if (loaded.recording.frameCount() < 1) {
        updatePathCaption();
        SetButtonState(modeBeforeLoad_);
        dialogs_.message(this, kNoJpgMessage, kAppTitle, Dialogs::Buttons::Ok, Dialogs::Icon::None);
        showPlaceholderPicture();
        emit recordingChanged();
        return;
    }

    recording_.folder = std::move(loaded.recording.folder);
    recording_.fileNames = std::move(loaded.recording.fileNames);
    recording_.frames = std::move(loaded.recording.frames);
    recording_.state = std::move(loaded.recording.state);
    updatePathCaption();
    const int n = recording_.frameCount();
    chart_->setGraphWidth(n * kUnitsPerFrame);
    chart_->SetUpGraphs();
    chart_->ShowDefaultChannels();
    fraStatus_->setEnabled(true);

    // The panel and the channels follow the signals wired in this recording.
    const RecordingState& s = recording_.state;
    if (s.VehicleSignalsPresent) {
        fraStatus_->setBrakeVisible(true);
        fraStatus_->setPulseRowCaption(s.NoMainSpeed ? kNoPulseRowCaption : kPulseRowCaption);
        chart_->ShowChannel(3);
        chart_->channelButton(3)->setVisible(true);
    } else {
        fraStatus_->setBrakeVisible(false);
        fraStatus_->setPulseRowCaption(kNoPulseRowCaption);
        chart_->HideChannel(3);
        chart_->channelButton(3)->setVisible(false);
        if (s.NoMainSpeed) chart_->HideChannel(2);
    }
    chart_->channelButton(2)->setVisible(s.VehicleSignalsPresent || !s.NoMainSpeed);
    fraStatus_->setFpsText(QString::fromStdString(FpsText(s.HighFrameRate, s.HighQuality)));
    fraStatus_->setTriggerKind(QString::fromStdString(s.TriggerKindCaption));

    // The picture of the recording before is gone: a first frame that cannot be decoded leaves
    // the placeholder, not another recording's picture. Frame 1 was decoded by the worker.
    showPlaceholderPicture();
    openedPicture_.emplace(FrameKey{1, recording_.framePath(1)}, std::move(loaded.firstPicture));
    recording_.CurrentFrame = recording_.LastShownFrame = 1;
    SetButtonState(kButtonsAll);
    setSpeedLevel(2);
    emit recordingChanged();
    showFrameOnScreen(1);
    if (std::exchange(triggerAfterLoad_, false)) showTriggerFrame();
}

void MainWindow::cmdStart_Click() { mnuOpen_Click(); }

void MainWindow::mnuQuit_Click() { close(); }

void MainWindow::mnuHelpAbout_Click() {
    // The version line keeps its width of 15 characters.
    const QString text = QStringLiteral("ドライブレコーダー　　\r\nビューワーソフト　　　\r\n") +
                         QStringLiteral(" Ver.%1").arg(QString::fromUtf8(ProgramVersion())).leftJustified(15);
    dialogs_.message(this, text, QStringLiteral("バージョン情報"), Dialogs::Buttons::Ok, Dialogs::Icon::Information);
}

// Play where playback ran past the end starts from the first frame, also when a brightness
// change has meanwhile named the frame on screen current again.
void MainWindow::startPlayback() {
    if (view_.restartAtFirst && !playback_.isActive()) recording_.CurrentFrame = 1;
    playback_.mnuStart_Click();
    prefetchForStart();
}

void MainWindow::mnuStart_Click() { startPlayback(); }

void MainWindow::mnuStop_Click() { playback_.mnuStop_Click(); }

void MainWindow::cmdPlay_Click(int index) {
    if (index < 0 || index > 5) return;
    if (index == 2) return startPlayback();
    playback_.cmdPlay_Click(index);
}

void MainWindow::mnuOrg_Click() { brightnessChosen(BrightnessMode::Standard); }

void MainWindow::mnuHi15_Click() { brightnessChosen(BrightnessMode::X15); }

void MainWindow::mnuHi20_Click() { brightnessChosen(BrightnessMode::X20); }

void MainWindow::mnuAllDsp_Click() {
    if (!recording_.isOpen()) return;
    browsing_.showList(recording_.folder);
}

void MainWindow::mnuDRSetting_Click() { ShowSettingsWindow(this, dialogs_, paths_); }

void MainWindow::Image1_DblClick() {
    // Not while playback starts or runs (the play button is off then).
    if (!playEnabled()) return;
    const std::filesystem::path shown = frameFile(shownFrame_);
    browsing_.openFromMainPicture(recording_, shown.filename(), brightnessMode());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Quitting would throw the export away: only when the user says so.
    if (videoExport_ && dialogs_.message(this, kQuitDuringVideo, kAppTitle, Dialogs::Buttons::YesNo,
                                         Dialogs::Icon::Question) != Dialogs::Button::Yes) {
        event->ignore();
        return;
    }
    // The loop must not fire into a window that is going away.
    if (playback_.isActive()) playback_.mnuStop_Click();
    scheduler_.cancel();
    prefetcher_.cancel();
    cancelLoad();
    Form_Unload();
    event->accept();
}

// Closing the main window ends the program with all its windows.
void MainWindow::Form_Unload() {
    browsing_.closeAll();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible()) window->close();
    }
    QCoreApplication::quit();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

// Whatever resized the window, it goes back to its fixed size unless minimized.
void MainWindow::Form_Resize() {
    if (snapping_ || isMinimized()) return;
    const QSize outer = fixedOuterSize();
    if (size() == outer) return;
    snapping_ = true;
    setFixedSize(outer);
    resize(outer);
    snapping_ = false;
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    const Qt::WindowStates unwanted = Qt::WindowMaximized | Qt::WindowFullScreen;
    if (windowState() & unwanted) {
        // Leave the state change that is under way before undoing it.
        QTimer::singleShot(0, this, [this, unwanted] {
            setWindowState(windowState() & ~unwanted);
            Form_Resize();
        });
    }
}

}  // namespace drv

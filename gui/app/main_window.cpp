#include "gui/app/main_window.h"

#include <algorithm>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QTimer>

#include "gui/common/app_paths.h"
#include "gui/common/dialogs.h"
#include "gui/common/twips.h"
#include "gui/common/ui_font.h"
#include "gui/viewer/picture_view.h"

namespace drv {

namespace {

const QString kKidoStandard = QStringLiteral("輝度：　標準");
const QString kKidoX15 = QStringLiteral("輝度：　x1.5");
const QString kKidoX20 = QStringLiteral("輝度：　x2.0");

// Width of the hidden vertical scroll bar whose room the chart viewport takes over.
constexpr int kVScrollWidthTwips = 255;

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
        case Glyph::First: bar(2); left(4, 5); left(9, 5); break;
        case Glyph::Back: left(4, 6); bar(10.5); break;
        case Glyph::Play: p.setBrush(QColor(0, 130, 40)); right(4, 9); break;
        case Glyph::Stop: p.setBrush(QColor(170, 20, 20)); p.drawRect(QRectF(4, 4, 8, 8)); break;
        case Glyph::Forward: bar(3.5); right(6, 6); break;
        case Glyph::Last: right(2, 5); right(7, 5); bar(12); break;
    }
    return QIcon(pixmap);
}

}  // namespace

MainWindow::MainWindow(Dialogs& dialogs, const AppPaths& paths, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      paths_(paths) {
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

MainWindow::~MainWindow() = default;

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
    m.mnuHelpAbout = entry(m.mnuHelp, QStringLiteral("バージョン情報(&A)"), "mnuHelpAbout",
                           &MainWindow::mnuHelpAbout_Click);

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

    // first, one back, play, stop, one forward, last
    constexpr std::array<int, 6> lefts{260, 980, 1700, 2660, 3380, 4100};
    constexpr std::array<Glyph, 6> pictures{Glyph::First, Glyph::Back, Glyph::Play,
                                            Glyph::Stop,  Glyph::Forward, Glyph::Last};
    for (int i = 0; i < 6; ++i) {
        const auto k = static_cast<std::size_t>(i);
        auto* button = new QPushButton(client);
        button->setObjectName(QStringLiteral("cmdPlay_%1").arg(i));
        button->setGeometry(TwipsRect(lefts[k], 5660, i == 2 ? 960 : 720, 380));
        button->setIcon(navigationIcon(pictures[k]));
        button->setIconSize(QSize(16, 16));
        connect(button, &QPushButton::clicked, this, [this, i] { cmdPlay_Click(i); });
        cmdPlay_[k] = button;
    }
    cmdPlay_[0]->setToolTip(QStringLiteral("先頭に戻る"));
    cmdPlay_[5]->setToolTip(QStringLiteral("最後尾へ進む"));

    createSpeedTrackbar(client);
    createStatusFrame(client);
    createChartArea(client);

    tmrShow_ = new QTimer(this);
    tmrShow_->setObjectName(QStringLiteral("tmrShow"));
    tmrShow_->setSingleShot(true);
    connect(tmrShow_, &QTimer::timeout, this, &MainWindow::tmrShow_Timer);
}

void MainWindow::createSpeedTrackbar(QWidget* client) {
    picture1_ = new QWidget(client);
    picture1_->setObjectName(QStringLiteral("Picture1"));
    picture1_->setGeometry(TwipsRect(4920, 5700, 1815, 375));

    trackBar_ = new QSlider(Qt::Horizontal, picture1_);
    trackBar_->setObjectName(QStringLiteral("hwndTrackBar"));
    trackBar_->setGeometry(0, 0, picture1_->width(), picture1_->height());
    trackBar_->setRange(0, 4);
    trackBar_->setSingleStep(1);
    trackBar_->setPageStep(1);
    trackBar_->setTickPosition(QSlider::TicksAbove);
    trackBar_->setTickInterval(1);
    trackBar_->setValue(2);
    // Focus given to the container goes on to the trackbar.
    picture1_->setFocusProxy(trackBar_);

    QFont small = font();
    small.setPixelSize(9);
    const char* names[2] = {"lblBarN_0", "lblBarN_1"};
    const QString captions[2] = {QStringLiteral("Slow"), QStringLiteral("Fast")};
    const int lefts[2] = {4960, 6360};
    for (std::size_t i = 0; i < 2; ++i) {
        QRect rect = TwipsRect(lefts[i], 5580, 380, 135);
        QLabel* label = makeLabel(client, captions[i], rect, names[i]);
        label->setFont(small);
        // The designed box is a little narrow for the text in this font: grow it rather than clip.
        rect.setWidth(std::max(rect.width(), label->sizeHint().width()));
        rect.setHeight(std::max(rect.height(), label->fontMetrics().height()));
        label->setGeometry(rect);
        lblBarN_[i] = label;
    }
}

// The telemetry panel replaces what this frame holds; keep its creation in one place.
void MainWindow::createStatusFrame(QWidget* client) {
    fraStatus_ = new QGroupBox(client);
    fraStatus_->setObjectName(QStringLiteral("fra_Status"));
    fraStatus_->setGeometry(TwipsRect(6860, 500, 5300, 5540));
    lblKido_ = makeLabel(fraStatus_, kKidoStandard, TwipsRect(2300, 5150, 2800, 255), "lblKido");
}

void MainWindow::createChartArea(QWidget* client) {
    chartArea_ = new QWidget(client);
    chartArea_->setObjectName(QStringLiteral("Pic2"));
    QPalette palette = chartArea_->palette();
    palette.setColor(QPalette::Window, QColor(128, 128, 128));
    chartArea_->setPalette(palette);
    chartArea_->setAutoFillBackground(true);
    // The viewport takes over the room of the hidden vertical scroll bar.
    chartArea_->setGeometry(TwipsRect(200, 6120, 11755 + kVScrollWidthTwips - 50, 3100));
}

void MainWindow::Form_Load() {
    centreOnScreen();
    setBrightness(BrightnessMode::Standard);
    tmrShow_->stop();
    tmrShow_->setInterval(500);
    recording_.fileNames.assign(1, std::filesystem::path());
    recording_.folder.clear();
    updatePathCaption();
    SetButtonState(kButtonsOff);
    setWindowTitle(kAppTitle);
    recording_.frames.assign(401, FrameRecord{});
    recording_.state.TriggerPosition = 10050;
    if (!showPlaceholderPicture()) image1_->clear();
    trackBar_->setValue(2);
    lblKido_->setText(kKidoStandard);
}

QSize MainWindow::fixedOuterSize() const {
    return QSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

void MainWindow::centreOnScreen() {
    const QSize outer = fixedOuterSize();
    setFixedSize(outer);
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
}

bool MainWindow::showPlaceholderPicture() {
    const std::filesystem::path file = paths_.programFolder() / "default_vor.bmp";
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return false;
    QImage picture;
    if (!picture.load(PathToQString(file))) return false;
    image1_->setImage(picture);
    return true;
}

void MainWindow::updatePathCaption() { lblPath_->setText(PathToQString(recording_.folder)); }

void MainWindow::SetButtonState(int mode) {
    static constexpr bool kOn[3][6] = {
        {false, false, false, false, false, false},
        {true, true, true, true, true, true},
        {false, false, false, true, false, false},
    };
    if (mode < 0 || mode > 2) return;
    for (std::size_t i = 0; i < 6; ++i) cmdPlay_[i]->setEnabled(kOn[mode][i]);
    buttonMode_ = mode;
}

BrightnessMode MainWindow::brightnessMode() const {
    if (menus_.mnuHi15->isChecked()) return BrightnessMode::X15;
    if (menus_.mnuHi20->isChecked()) return BrightnessMode::X20;
    return BrightnessMode::Standard;
}

int MainWindow::speedLevel() const { return trackBar_->value(); }

void MainWindow::setSpeedLevel(int level) { trackBar_->setValue(level); }

void MainWindow::setBrightness(BrightnessMode mode) {
    menus_.mnuOrg->setChecked(mode == BrightnessMode::Standard);
    menus_.mnuHi15->setChecked(mode == BrightnessMode::X15);
    menus_.mnuHi20->setChecked(mode == BrightnessMode::X20);
    switch (mode) {
        case BrightnessMode::Standard: lblKido_->setText(kKidoStandard); break;
        case BrightnessMode::X15: lblKido_->setText(kKidoX15); break;
        case BrightnessMode::X20: lblKido_->setText(kKidoX20); break;
    }
}

void MainWindow::mnuOpen_Click() {
    // Refused while playing: only the stop button is on then.
    if (cmdPlay_[3]->isEnabled() && !cmdPlay_[2]->isEnabled()) return;
    emit openRequested();
}

void MainWindow::cmdStart_Click() { mnuOpen_Click(); }

void MainWindow::mnuQuit_Click() { close(); }

void MainWindow::mnuHelpAbout_Click() {
    const QString text = QStringLiteral("ドライブレコーダー　　\r\nビューワーソフト　　　\r\n Ver.1.30      ");
    dialogs_.message(this, text, QStringLiteral("バージョン情報"), Dialogs::Buttons::Ok, Dialogs::Icon::Information);
}

void MainWindow::mnuStart_Click() { emit playbackStartRequested(); }

void MainWindow::mnuStop_Click() { emit playbackStopRequested(); }

void MainWindow::cmdPlay_Click(int index) {
    if (index < 0 || index > 5) return;
    emit navigationRequested(index);
}

void MainWindow::mnuOrg_Click() {
    setBrightness(BrightnessMode::Standard);
    emit brightnessChanged(BrightnessMode::Standard);
}

void MainWindow::mnuHi15_Click() {
    setBrightness(BrightnessMode::X15);
    emit brightnessChanged(BrightnessMode::X15);
}

void MainWindow::mnuHi20_Click() {
    setBrightness(BrightnessMode::X20);
    emit brightnessChanged(BrightnessMode::X20);
}

void MainWindow::mnuAllDsp_Click() {
    if (lblPath_->text().isEmpty()) return;
    emit thumbnailListRequested();
}

void MainWindow::mnuDRSetting_Click() { emit recorderSettingsRequested(); }

void MainWindow::tmrShow_Timer() {}

void MainWindow::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

// Closing the main window ends the program with all its windows.
void MainWindow::Form_Unload() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible()) window->close();
    }
    QCoreApplication::quit();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

// Whatever resized the window, it goes back to its designed size unless minimized.
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

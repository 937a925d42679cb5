// The main window's keys and the picture's context menu: new ways into existing commands,
// each behind the same guards as the button or command it stands for.
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>

#include "core/common/numbers.h"
#include "draw/common/picture_encoding.h"
#include "core/exif/exif_splice.h"
#include "core/export/telemetry_export.h"
#include "gui/app/main_window.h"
#include "gui/common/dialogs.h"
#include "gui/viewer/picture_view.h"

namespace drv {

namespace {

const QString kSavePicture = QStringLiteral("この画像を保存...");
const QString kExportTelemetry = QStringLiteral("テレメトリをエクスポート...");
const QString kEncodeFailed = QStringLiteral("画像を変換できませんでした。");
constexpr int kJpegQuality = 95;

}  // namespace

void MainWindow::createKeys() {
    struct Key {
        Qt::Key key;
        int button;  // -1: play or stop, whichever is on
        QString caption;
        bool repeat;
    };
    // Buttons 0 and 5 keep their captions; the others get one for their key.
    const Key keys[] = {
        {Qt::Key_Home, 0, QString(), false},   {Qt::Key_Left, 1, QStringLiteral("1コマ戻る (←)"), true},
        {Qt::Key_Space, -1, QString(), false}, {Qt::Key_Right, 4, QStringLiteral("1コマ進む (→)"), true},
        {Qt::Key_End, 5, QString(), false},
    };
    for (const Key& k : keys) {
        auto* shortcut = new QShortcut(QKeySequence(k.key), this);
        shortcut->setAutoRepeat(k.repeat);
        const int button = k.button;
        // The key is taken even when its command is off, so that it never reaches the trackbar.
        connect(shortcut, &QShortcut::activated, this, [this, button] {
            // Space plays when stopped; while playing only the stop button is on.
            const int index = button >= 0 ? button : (playEnabled() ? 2 : 3);
            triggerIfEnabled(commands_.navigation[static_cast<std::size_t>(index)]);
        });
        if (!k.caption.isEmpty()) cmdPlay_[static_cast<std::size_t>(button)]->setToolTip(k.caption);
    }
    cmdPlay_[0]->setToolTip(cmdPlay_[0]->toolTip() + QStringLiteral(" (Home)"));
    cmdPlay_[2]->setToolTip(QStringLiteral("再生 (Space)"));
    cmdPlay_[3]->setToolTip(QStringLiteral("停止 (Space)"));
    cmdPlay_[5]->setToolTip(cmdPlay_[5]->toolTip() + QStringLiteral(" (End)"));
    commands_.trigger = new QAction(this);
    commands_.trigger->setObjectName(QStringLiteral("trigger"));
    connect(commands_.trigger, &QAction::triggered, this, &MainWindow::showTriggerFrame);
    auto* trigger = new QShortcut(QKeySequence(Qt::Key_T), this);
    trigger->setAutoRepeat(false);
    connect(trigger, &QShortcut::activated, this, [this] { triggerIfEnabled(commands_.trigger); });
}

void MainWindow::triggerIfEnabled(QAction* command) {
    if (command->isEnabled()) command->trigger();
}

// The commands beyond the six buttons follow the same state: stopped with a recording, no
// export under way for the video.
void MainWindow::updateCommands() {
    const bool stopped = stoppedWithRecording();
    menus_.mnuEvents->setEnabled(!view_.stopOnly());
    if (commands_.trigger) commands_.trigger->setEnabled(stopped && recording_.triggerFrame().has_value());
    // After an undecodable first frame the picture on screen may be the placeholder.
    if (commands_.save) commands_.save->setEnabled(stopped && pictureFrame_ != 0);
    if (commands_.exportTelemetry) commands_.exportTelemetry->setEnabled(stopped);
    if (commands_.video) commands_.video->setEnabled(stopped && !videoExport_);
}

// Stopped: the play button is on only then (not while starting or playing).
bool MainWindow::stoppedWithRecording() const { return recording_.isOpen() && playEnabled() && !playback_.isActive(); }

void MainWindow::showTriggerFrame() {
    const std::optional<int> trigger = recording_.triggerFrame();
    if (!stoppedWithRecording() || !trigger) return;
    showFrameOnScreen(*trigger);
}

void MainWindow::createPictureMenu() {
    pictureMenu_ = new QMenu(this);
    pictureMenu_->setObjectName(QStringLiteral("pictureMenu"));
    commands_.save = pictureMenu_->addAction(kSavePicture, this, &MainWindow::savePictureAs);
    commands_.save->setObjectName(QStringLiteral("save"));
    commands_.exportTelemetry = pictureMenu_->addAction(kExportTelemetry, this, &MainWindow::exportTelemetryAs);
    commands_.exportTelemetry->setObjectName(QStringLiteral("export"));
    commands_.video = menus_.mnuExportVideo;
    pictureMenu_->addAction(commands_.video);
    image1_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(image1_, &QWidget::customContextMenuRequested, this, &MainWindow::Image1_ContextMenu);
}

void MainWindow::Image1_ContextMenu(const QPoint& pos) {
    if (!stoppedWithRecording()) return;
    updateCommands();
    pictureMenu_->popup(image1_->mapToGlobal(pos));
}

std::filesystem::path MainWindow::saveFolder() const {
    // Never the recording's folder: a saved JPEG there would become a frame of it.
    return saveFolder_.empty() ? QStringToPath(QDir::homePath()) : saveFolder_;
}

bool MainWindow::savePictureAs() {
    if (!stoppedWithRecording() || pictureFrame_ == 0 || image1_->image().isNull()) return false;
    const QImage picture = image1_->image();
    const std::filesystem::path source = frameFile(pictureFrame_);
    // No extension: the dialog adds the chosen filter's.
    const Dialogs::SavePick pick =
        dialogs_.saveFile(this, kSavePicture.chopped(3), saveFolder() / source.stem(),
                          {QStringLiteral("PNG (*.png)"), QStringLiteral("JPEG (*.jpg *.jpeg)")});
    if (pick.file.empty()) return false;
    const bool jpeg = pick.filter == 1;
    const QByteArray encoded = EncodePicture(picture, jpeg ? "jpeg" : "png", jpeg ? kJpegQuality : -1);
    if (encoded.isEmpty()) {
        dialogs_.message(this, kEncodeFailed, kAppTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
        return false;
    }
    std::string_view bytes(encoded.constData(), static_cast<std::size_t>(encoded.size()));
    std::vector<std::uint8_t> spliced;
    if (jpeg) {
        // The recorder's telemetry travels with the picture; a frame without a readable
        // Exif segment is saved as the picture alone.
        const std::vector<std::uint8_t> exif = ReadExifSegment(source);
        if (!exif.empty()) {
            spliced = SpliceExifSegment(reinterpret_cast<const std::uint8_t*>(encoded.constData()),
                                        static_cast<std::size_t>(encoded.size()), exif);
        }
        if (!spliced.empty()) bytes = {reinterpret_cast<const char*>(spliced.data()), spliced.size()};
    }
    return writeFileOrTell(pick.file, bytes);
}

bool MainWindow::exportTelemetryAs() {
    if (!stoppedWithRecording()) return false;
    static constexpr ExportFormat kFormats[] = {ExportFormat::Csv, ExportFormat::Gpx, ExportFormat::Kml};
    QStringList filters;
    for (const ExportFormat f : kFormats) {
        const QString ext = QString::fromLatin1(ExportFileExtension(f));
        filters << QStringLiteral("%1 (*%2)").arg(ext.mid(1).toUpper(), ext);
    }
    const Dialogs::SavePick pick =
        dialogs_.saveFile(this, kExportTelemetry.chopped(3), saveFolder() / recording_.folder.filename(), filters);
    if (pick.file.empty()) return false;
    const ExportFormat format = kFormats[std::clamp(pick.filter, 0, 2)];
    return writeFileOrTell(pick.file, ExportTelemetry(recording_, format));
}

bool MainWindow::writeFileOrTell(const std::filesystem::path& file, std::string_view bytes) {
    if (!WriteFileOrTell(dialogs_, this, kAppTitle, file, bytes)) return false;
    saveFolder_ = file.parent_path();
    return true;
}

}  // namespace drv

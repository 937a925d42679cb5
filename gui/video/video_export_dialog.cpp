#include "gui/video/video_export_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/common/dialogs.h"
#include "gui/common/ui_font.h"

namespace drv {

namespace {

const QString kTitle = QStringLiteral("動画に書き出す");

QString brightnessName(BrightnessMode mode) {
    switch (mode) {
        case BrightnessMode::X15: return QStringLiteral("x1.5");
        case BrightnessMode::X20: return QStringLiteral("x2.0");
        case BrightnessMode::Standard: break;
    }
    return QStringLiteral("標準");
}

QDoubleSpinBox* secondsBox(QWidget* parent, double value) {
    auto* box = new QDoubleSpinBox(parent);
    box->setRange(0, 3600);
    box->setDecimals(1);
    box->setSingleStep(1);
    box->setValue(value);
    box->setSuffix(QStringLiteral(" 秒"));
    return box;
}

}  // namespace

VideoExportRequest VideoRequestFor(const Recording& recording, const VideoChoices& choices,
                                   const std::filesystem::path& target) {
    VideoExportRequest r;
    r.range = {1, recording.frameCount()};
    if (choices.aroundTrigger)
        if (const auto around = RangeAroundTrigger(recording, choices.secondsBefore, choices.secondsAfter))
            r.range = *around;
    r.overlay = choices.overlay;
    r.band = choices.band;
    r.brightness = choices.brightness;
    r.target = target;
    return r;
}

VideoExportDialog::VideoExportDialog(Dialogs& dialogs, const Recording& recording, BrightnessMode screenMode,
                                     const std::filesystem::path& saveFolder, QWidget* owner)
    : QDialog(owner), dialogs_(&dialogs), recording_(&recording), screenMode_(screenMode), saveFolder_(saveFolder) {
    build(recording.frameCount(), recording.triggerFrame().has_value(),
          QStringLiteral("画面と同じ (%1)").arg(brightnessName(screenMode)));
}

VideoExportDialog::VideoExportDialog(int recordings, BrightnessMode screenMode, QWidget* owner)
    : QDialog(owner), screenMode_(screenMode == BrightnessMode::Standard ? BrightnessMode::X20 : screenMode) {
    build(0, true,
          (screenMode == BrightnessMode::Standard ? QStringLiteral("明るく (%1)") : QStringLiteral("画面と同じ (%1)"))
              .arg(brightnessName(screenMode_)));
    setWindowTitle(QStringLiteral("%1 (%2 件)").arg(kTitle).arg(recordings));
    whole_->setText(QStringLiteral("全体"));
    aroundTrigger_->setToolTip(QStringLiteral("トリガーのない記録は全体を書き出します"));
    for (QWidget* w : std::initializer_list<QWidget*>{frames_, from_, to_, rangeDash_}) w->hide();
    standard_->setChecked(true);
    ok_->setText(QStringLiteral("保存先を選ぶ..."));
    setFixedSize(sizeHint());
}

void VideoExportDialog::build(int frames, bool trigger, const QString& brighter) {
    setObjectName(QStringLiteral("frmVideoExport"));
    setWindowTitle(kTitle);
    setFont(JapaneseUiFont());
    const int n = std::max(1, frames);

    auto* range = new QGroupBox(QStringLiteral("範囲"), this);
    auto* grid = new QGridLayout(range);
    whole_ = new QRadioButton(QStringLiteral("全体 (%1 コマ)").arg(frames), range);
    aroundTrigger_ = new QRadioButton(QStringLiteral("トリガーの前後"), range);
    frames_ = new QRadioButton(QStringLiteral("コマ番号で指定"), range);
    before_ = secondsBox(range, 10);
    after_ = secondsBox(range, 10);
    from_ = new QSpinBox(range);
    to_ = new QSpinBox(range);
    from_->setRange(1, n);
    to_->setRange(1, n);
    from_->setValue(1);
    to_->setValue(n);
    grid->addWidget(whole_, 0, 0, 1, 4);
    grid->addWidget(aroundTrigger_, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("前"), range), 1, 1);
    grid->addWidget(before_, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("後"), range), 1, 3);
    grid->addWidget(after_, 1, 4);
    grid->addWidget(frames_, 2, 0);
    grid->addWidget(from_, 2, 2);
    rangeDash_ = new QLabel(QStringLiteral("〜"), range);
    grid->addWidget(rangeDash_, 2, 3);
    grid->addWidget(to_, 2, 4);
    whole_->setChecked(true);
    // Only a recording with a trigger has a "before" and "after".
    aroundTrigger_->setEnabled(trigger);

    overlay_ =
        new QCheckBox(QStringLiteral("テレメトリ（日時・速度・加速度・位置・ブレーキ・経過時間）を入れる"), this);
    overlay_->setChecked(true);
    // The band hides the foot of the picture; below it, the video is taller and hides nothing.
    auto* bandRow = new QHBoxLayout;
    bandRow->setContentsMargins(20, 0, 0, 0);
    bandOver_ = new QRadioButton(QStringLiteral("画像に重ねる (640×480)"), this);
    bandBelow_ = new QRadioButton(QStringLiteral("画像の下に付ける (640×548)"), this);
    bandOver_->setChecked(true);
    bandRow->addWidget(bandOver_);
    bandRow->addWidget(bandBelow_);
    bandRow->addStretch();
    auto* bandGroup = new QButtonGroup(this);
    bandGroup->addButton(bandOver_);
    bandGroup->addButton(bandBelow_);
    connect(overlay_, &QCheckBox::toggled, this, &VideoExportDialog::updateControls);

    auto* brightness = new QGroupBox(QStringLiteral("明るさ"), this);
    auto* brightnessRow = new QHBoxLayout(brightness);
    screen_ = new QRadioButton(brighter, brightness);
    standard_ = new QRadioButton(QStringLiteral("標準"), brightness);
    screen_->setChecked(true);
    brightnessRow->addWidget(screen_);
    brightnessRow->addWidget(standard_);
    brightnessRow->addStretch();

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QStringLiteral("書き出す..."), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &VideoExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &VideoExportDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(range);
    layout->addWidget(overlay_);
    layout->addLayout(bandRow);
    layout->addWidget(brightness);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());

    for (QRadioButton* option : {whole_, aroundTrigger_, frames_})
        connect(option, &QRadioButton::toggled, this, &VideoExportDialog::updateControls);
    connect(from_, &QSpinBox::valueChanged, this, &VideoExportDialog::updateControls);
    connect(to_, &QSpinBox::valueChanged, this, &VideoExportDialog::updateControls);
    updateControls();
}

void VideoExportDialog::updateControls() {
    before_->setEnabled(aroundTrigger_->isChecked());
    after_->setEnabled(aroundTrigger_->isChecked());
    from_->setEnabled(frames_->isChecked());
    to_->setEnabled(frames_->isChecked());
    bandOver_->setEnabled(overlay_->isChecked());
    bandBelow_->setEnabled(overlay_->isChecked());
    ok_->setEnabled(!recording_ || request().range.count() > 0);
}

VideoChoices VideoExportDialog::choices() const {
    VideoChoices c;
    c.aroundTrigger = aroundTrigger_->isChecked();
    c.secondsBefore = before_->value();
    c.secondsAfter = after_->value();
    c.overlay = overlay_->isChecked();
    c.band = bandBelow_->isChecked() ? BandPlacement::Below : BandPlacement::Over;
    c.brightness = screen_->isChecked() ? screenMode_ : BrightnessMode::Standard;
    return c;
}

VideoExportRequest VideoExportDialog::request() const {
    if (!recording_) return {};
    VideoExportRequest r = VideoRequestFor(*recording_, choices(), target_);
    if (frames_->isChecked()) r.range = {from_->value(), to_->value()};
    return r;
}

void VideoExportDialog::accept() {
    if (!recording_) return QDialog::accept();
    if (request().range.count() < 1) return;
    // Never the recording's folder is suggested: the picker opens where the last save went.
    const std::string folderName = recording_->folder.filename().native();
    const std::filesystem::path name = (folderName.empty() ? std::string("video") : folderName) + ".mp4";
    const Dialogs::SavePick pick =
        dialogs_->saveFile(this, kTitle, saveFolder_ / name, {QStringLiteral("MP4 (*.mp4)")});
    if (pick.file.empty()) return;  // back to the choices
    target_ = pick.file;
    QDialog::accept();
}

}  // namespace drv

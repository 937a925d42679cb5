#include "gui/viewer/telemetry_panel.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>

#include "core/viewer/panel_text.h"
#include "gui/common/twips.h"
#include "gui/common/ui_font.h"

namespace drv {

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, const QRect& geometry, int pixelSize) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setFont(JapaneseUiFont(pixelSize));
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A value box: sunken, white, so that the values read apart from their captions.
QLabel* makeValue(QWidget* parent, const QString& name, const QRect& geometry) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setFont(JapaneseUiFont(13));
    label->setTextFormat(Qt::PlainText);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAutoFillBackground(true);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(p);
    label->setIndent(4);
    return label;
}

QString text(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

// Layout in panel pixels. Rows of caption and value from the top; below the rows the
// chart's buttons take the left part, so the status labels stack on the right. The panel
// itself is 5300 x 5540 twips.
const int kWidth = TwipsToPixels(5300);
const int kHeight = TwipsToPixels(5540);
constexpr int kMargin = 8;
constexpr int kRowTop = 50;
constexpr int kRowPitch = 22;
constexpr int kRowHeight = 20;
constexpr int kCaptionWidth = 112;
constexpr int kValueLeft = kMargin + kCaptionWidth + 2;
const int kValueWidth = kWidth - kValueLeft - kMargin;
constexpr int kStatusLeft = 200;  // right of the chart buttons and the hidden cbV
constexpr int kStatusTop = 260;
const int kStatusWidth = kWidth - kStatusLeft - kMargin;

}  // namespace

TelemetryPanel::TelemetryPanel(QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("fra_Status"));
    setFixedSize(kWidth, kHeight);

    lblBrk_ = makeLabel(this, "lblBrk", QString(), QRect(kMargin, 12, 150, 30), 13);
    lblBrk_->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblBrk_->setAutoFillBackground(true);
    // The caption sits inside the coloured box and takes its colours from it.
    lblBrkName_ = makeLabel(lblBrk_, "lblBrkName", QStringLiteral("ブレーキ ＯＦＦ"), QRect(0, 0, 150, 30), 14);
    lblBrkName_->setAlignment(Qt::AlignCenter);
    lblBrkName_->setFont(JapaneseUiFont(14, true));

    lblSpeed_ = makeLabel(this, "lblSpeed", QString(), QRect(166, 12, kWidth - 166 - kMargin, 30), 22);
    lblSpeed_->setFont(JapaneseUiFont(22, true));
    lblSpeed_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    static const char* const kCaptions[8] = {"     ---", "前後方向加速度", "左右方向加速度", "     ---",
                                             "緯 度",    "経 度",          "撮 影 日 時",    "更 新 日 時"};
    for (int row = 0; row < 8; ++row) {
        const int y = kRowTop + row * kRowPitch;
        const QByteArray name = "Label" + QByteArray::number(row + 1);
        captions_[static_cast<std::size_t>(row)] = makeLabel(this, name.constData(), QString::fromUtf8(kCaptions[row]),
                                                             QRect(kMargin, y, kCaptionWidth, kRowHeight), 12);
        const QRect valueRect(kValueLeft, y, kValueWidth, kRowHeight);
        if (row < 6)
            data_[static_cast<std::size_t>(row)] = makeValue(this, QStringLiteral("lblData_%1").arg(row), valueRect);
        else
            dates_[static_cast<std::size_t>(row - 6)] =
                makeValue(this, QStringLiteral("lblDate_%1").arg(row - 6), valueRect);
    }

    const int passTop = kRowTop + 8 * kRowPitch + 4;
    lblPassTime_ = makeLabel(this, "lblPassTime", QStringLiteral("経過時間表示"),
                             QRect(kMargin, passTop, kWidth - 2 * kMargin, 22), 15);

    auto status = [&](const char* name, const QString& caption, int row) {
        return makeLabel(this, name, caption,
                         QRect(kStatusLeft, kStatusTop + row * kRowPitch, kStatusWidth, kRowHeight), 12);
    };
    lblMsgInput_ = status("lblMsgInput", QStringLiteral("検出方法"), 0);
    lblfps_ = status("lblfps", QStringLiteral(" ﾌﾚｰﾑﾚｰﾄ/画質"), 1);
    lblKido_ = status("lblKido", QStringLiteral("輝度：　標準"), 2);
    lblFilename_ = status("lblFilename", QStringLiteral("　ファイル名　"), 3);

    ShowBrake(false);
}

void TelemetryPanel::UpdateDataPanel(const Recording& recording, int index) {
    if (index < 1 || static_cast<std::size_t>(index) >= recording.frames.size()) return;
    const PanelTexts t = ComputePanelTexts(recording.frames[static_cast<std::size_t>(index)], recording.state, index);
    lblSpeed_->setText(text(t.speed));
    data_[0]->setText(text(t.pulseSpeed));
    ShowBrake(t.brakeOn);
    data_[1]->setText(text(t.accelLongitudinal));
    data_[2]->setText(text(t.accelLateral));
    data_[4]->setText(text(t.latitude));
    data_[5]->setText(text(t.longitude));
    dates_[0]->setText(text(t.shotAt));
    dates_[1]->setText(text(t.updatedAt));
    lblPassTime_->setText(text(t.passTime));
}

void TelemetryPanel::ShowBrake(bool on) {
    QPalette p = lblBrk_->palette();
    if (on) {
        p.setColor(QPalette::Window, QColor(255, 0, 0));
        p.setColor(QPalette::WindowText, QColor(255, 255, 0));
    } else {
        p.setColor(QPalette::Window, QColor(192, 255, 255));
        p.setColor(QPalette::WindowText, QApplication::palette("QMenu").color(QPalette::WindowText));
    }
    lblBrk_->setPalette(p);
    lblBrkName_->setText(text(BrakeCaption(on)));
}

void TelemetryPanel::setPulseRowCaption(const QString& caption) { captions_[0]->setText(caption); }

void TelemetryPanel::setBrakeVisible(bool visible) {
    lblBrk_->setVisible(visible);
    lblBrkName_->setVisible(visible);
}

void TelemetryPanel::setFpsText(const QString& value) { lblfps_->setText(value); }

void TelemetryPanel::setTriggerKind(const QString& value) { lblMsgInput_->setText(value); }

void TelemetryPanel::setFileName(const QString& name) { lblFilename_->setText(name); }

void TelemetryPanel::setBrightnessText(const QString& value) { lblKido_->setText(value); }

}  // namespace drv

#include "gui/report/report_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/common/ui_font.h"

namespace drv {

namespace {

// The background as the map window's list names it.
QString backgroundName(const TileServer& server) {
    switch (server.kind) {
        case TileServerKind::None: return QStringLiteral("なし（ネットワークを使いません）");
        case TileServerKind::GsiStandard: return QStringLiteral("国土地理院 標準地図");
        case TileServerKind::GsiPale: return QStringLiteral("国土地理院 淡色地図");
        case TileServerKind::OpenStreetMap: return QStringLiteral("OpenStreetMap");
        case TileServerKind::Custom: return QString::fromStdString(TileHost(server.urlTemplate));
    }
    return {};
}

}  // namespace

ReportDialog::ReportDialog(Purpose purpose, BrightnessMode screen, bool hasTrigger, bool hasPositions,
                           const TileServer& background, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setObjectName(QStringLiteral("frmReportChoices"));
    setWindowTitle(purpose == Purpose::Package ? QStringLiteral("証拠として保存")
                   : purpose == Purpose::Print ? QStringLiteral("報告書を印刷")
                                               : QStringLiteral("報告書を作成"));
    setFont(JapaneseUiFont());

    auto* layout = new QVBoxLayout(this);
    if (purpose == Purpose::Package) {
        auto* what = new QLabel(QStringLiteral("元の画像ファイル（そのまま）、報告書 PDF、テロップ付きの動画、\n"
                                               "テレメトリ CSV と SHA-256 の一覧を 1 つの ZIP に保存します。"),
                                this);
        layout->addWidget(what);
    }

    auto* picture = new QGroupBox(QStringLiteral("画像の明るさ"), this);
    auto* pictureLayout = new QVBoxLayout(picture);
    asOnScreen_ = new QRadioButton(QStringLiteral("画面の表示どおり"), picture);
    standard_ = new QRadioButton(QStringLiteral("標準"), picture);
    pictureLayout->addWidget(asOnScreen_);
    pictureLayout->addWidget(standard_);
    asOnScreen_->setChecked(true);
    layout->addWidget(picture);

    auto* frames =
        new QGroupBox(hasTrigger ? QStringLiteral("1 ページ目の画像（トリガーからの秒数）")
                                 : QStringLiteral("1 ページ目の画像（トリガーがないため、等間隔に選びます）"),
                      this);
    auto* grid = new QGridLayout(frames);
    for (std::size_t i = 0; i < seconds_.size(); ++i) {
        auto* box = new QDoubleSpinBox(frames);
        box->setRange(-60, 60);
        box->setDecimals(1);
        box->setSingleStep(0.5);
        box->setSuffix(QStringLiteral(" 秒"));
        box->setValue(kDefaultReportOffsets[i]);
        box->setEnabled(hasTrigger);
        seconds_[i] = box;
        grid->addWidget(box, 0, static_cast<int>(i));
    }
    layout->addWidget(frames);

    auto* map = new QGroupBox(QStringLiteral("地図"), this);
    auto* mapLayout = new QVBoxLayout(map);
    includeMap_ =
        new QCheckBox(hasPositions ? QStringLiteral("1 ページ目に走行経路の地図を載せる")
                                   : QStringLiteral("1 ページ目に走行経路の地図を載せる（位置情報がありません）"),
                      map);
    includeMap_->setObjectName(QStringLiteral("includeMap"));
    includeMap_->setChecked(hasPositions);
    mapLayout->addWidget(includeMap_);
    auto* source =
        new QLabel(QStringLiteral("背景地図（地図ウィンドウでの選択）：%1").arg(backgroundName(background)), map);
    source->setEnabled(hasPositions);
    mapLayout->addWidget(source);
    connect(includeMap_, &QCheckBox::toggled, source, &QWidget::setEnabled);
    layout->addWidget(map);

    layout->addWidget(new QLabel(QStringLiteral("備考（見出しの下に載ります）"), this));
    note_ = new QPlainTextEdit(this);
    note_->setObjectName(QStringLiteral("note"));
    note_->setFixedHeight(72);
    layout->addWidget(note_);

    auto* buttons = new QDialogButtonBox(this);
    const QString go = purpose == Purpose::Package ? QStringLiteral("保存...")
                       : purpose == Purpose::Print ? QStringLiteral("印刷...")
                                                   : QStringLiteral("作成...");
    buttons->addButton(go, QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("ok"));
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

ReportChoices ReportDialog::choices() const {
    ReportChoices c;
    c.offsetsSeconds.clear();
    for (const QDoubleSpinBox* box : seconds_) c.offsetsSeconds.push_back(box->value());
    c.note = note_->toPlainText().toStdString();
    return c;
}

bool ReportDialog::mapIncluded() const { return includeMap_->isChecked(); }

BrightnessMode ReportDialog::brightness() const {
    return asOnScreen_->isChecked() ? screen_ : BrightnessMode::Standard;
}

}  // namespace drv

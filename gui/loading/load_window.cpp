#include "gui/loading/load_window.h"

#include <QLabel>
#include <QProgressBar>

#include "gui/common/twips.h"

namespace drv {

LoadWindow::LoadWindow(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("frmLoad"));
    setWindowTitle(QStringLiteral("ファイルロード中..."));
    setFixedSize(TwipsToPixels(3900), TwipsToPixels(1095));
    setModal(false);

    // Picture1 held the bar; its border is gone at run time, so the bar sits in its place.
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("hwndProgress"));
    bar_->setGeometry(TwipsRect(120, 120, 3615, 375));
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setStyleSheet(
        QStringLiteral("QProgressBar { background: rgb(255,255,255); border: 1px solid rgb(160,160,160); }"
                       "QProgressBar::chunk { background: rgb(0,0,255); }"));

    auto* label2 = new QLabel(QStringLiteral("しばらくお待ちください"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setGeometry(TwipsRect(120, 600, 2000, 255));

    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setGeometry(TwipsRect(3000, 600, 615, 255));

    if (owner) {
        const QPoint topLeft = owner->frameGeometry().topLeft();
        move(topLeft.x() + TwipsToPixels(100), topLeft.y() + TwipsToPixels(600));
    }
}

void LoadWindow::showNow() {
    show();
    raise();
}

void LoadWindow::setProgress(int percent) {
    bar_->setValue(percent);
    label1_->setText(QString::number(bar_->value()) + QLatin1Char('%'));
}

}  // namespace drv

#pragma once
// frmLoad: the small always-on-top window that shows the progress of one load.
#include <QDialog>

class QLabel;
class QProgressBar;

namespace drv {

class LoadWindow final : public QDialog {
    Q_OBJECT
public:
    // Placed at the owner's left + 100 twips and top + 600 twips.
    explicit LoadWindow(QWidget* owner);

    // Moves the bar to `percent` and writes the position read back from the bar followed by
    // "%" into Label1.
    void setProgress(int percent);

    QProgressBar* progressBar() const { return bar_; }

    // Shows the window above its owner; the load runs on a worker meanwhile.
    void showNow();

private:
    QProgressBar* bar_;
    QLabel* label1_;
};

}  // namespace drv

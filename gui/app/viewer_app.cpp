#include "gui/app/viewer_app.h"

#include <QApplication>
#include <QMainWindow>

namespace drv {

int RunViewer(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("ドライブレコーダー ビューワーソフト"));
    window.show();
    return app.exec();
}

}  // namespace drv

#include "gui/map/map_launcher.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include "gui/app/main_window.h"
#include "gui/map/map_window.h"
#include "net/map/tile_fetcher.h"

namespace drv {

MapLauncher::MapLauncher(MainWindow& main, QString settingsFile, QString cacheFolder)
    : QObject(&main),
      main_(main),
      settingsFile_(settingsFile.isEmpty() ? MapWindow::defaultSettingsFile() : std::move(settingsFile)),
      cacheFolder_(cacheFolder.isEmpty() ? TileDiskCache::defaultFolder() : std::move(cacheFolder)) {
    QMenu* display = main.menus().mnuDisplay;
    menuAction_ = new QAction(QStringLiteral("地図(&M)"), display);
    menuAction_->setObjectName(QStringLiteral("mnuMap"));
    // After "一覧表示(&A)" (hidden, as on the original), before the brightness menu.
    display->addAction(menuAction_);
    connect(menuAction_, &QAction::triggered, this, &MapLauncher::mnuMap_Click);
    if (QMenu* picture = main.pictureMenu()) {
        QAction* entry = picture->addAction(QStringLiteral("地図を表示(&M)"), this, &MapLauncher::mnuMap_Click);
        entry->setObjectName(QStringLiteral("map"));
    }
    connect(&main, &MainWindow::currentFrameChanged, this, &MapLauncher::frameChanged);
    connect(&main, &MainWindow::recordingChanged, this, &MapLauncher::recordingChanged);
}

MapLauncher::~MapLauncher() = default;

void MapLauncher::mnuMap_Click() {
    if (!window_) {
        window_ = std::make_unique<MapWindow>(main_.dialogs(), settingsFile_, cacheFolder_);
        window_->setClickAllowed(
            [this] { return !main_.recording().IsPlaying && !main_.loading() && main_.playEnabled(); });
        connect(window_.get(), &MapWindow::frameRequested, this, [this](int frame) {
            if (main_.recording().IsPlaying || main_.loading()) return;
            main_.showFrameOnScreen(frame);
        });
        if (!window_->hasSavedGeometry()) {
            // Beside the main window, on the side with room.
            const QRect m = main_.frameGeometry();
            const QRect screen = main_.screen() ? main_.screen()->availableGeometry() : QRect();
            QPoint at(m.right() + 8, m.top());
            if (screen.isValid() && at.x() + window_->width() > screen.right())
                at.setX(std::max(screen.left(), m.left() - window_->width() - 8));
            window_->move(at);
        }
        window_->showRecording(main_.recording());
    }
    window_->setCurrentFrame(main_.recording().isOpen() ? main_.recording().CurrentFrame : 0);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void MapLauncher::recordingChanged() {
    if (window_) window_->showRecording(main_.recording());
}

void MapLauncher::frameChanged(int frame) {
    if (window_ && window_->isVisible()) window_->setCurrentFrame(frame);
}

}  // namespace drv

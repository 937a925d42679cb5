#pragma once
// Puts the map window into the main window: "表示(&V) → 地図(&M)" and the picture's context
// menu open it; it follows the main window's frame and recording signals and asks the main
// window for the frame a click on the track names. Nothing of the main window changes.
#include <QObject>
#include <QString>
#include <memory>

class QAction;

namespace drv {

class MainWindow;
class MapWindow;

class MapLauncher : public QObject {
    Q_OBJECT
public:
    // `settingsFile` and `cacheFolder` empty: the user's own (XDG config and cache folders).
    explicit MapLauncher(MainWindow& main, QString settingsFile = {}, QString cacheFolder = {});
    ~MapLauncher() override;

    // Opens the window (or brings it forward): beside the main window the first time.
    void mnuMap_Click();
    MapWindow* window() const { return window_.get(); }
    QAction* menuAction() const { return menuAction_; }

private:
    void recordingChanged();
    void frameChanged(int frame);

    MainWindow& main_;
    QString settingsFile_;
    QString cacheFolder_;
    std::unique_ptr<MapWindow> window_;  // no parent: Open closes the main window's children
    QAction* menuAction_ = nullptr;
};

}  // namespace drv

#pragma once
// "地図": the open recording's track on a map, following the frame on screen. One window,
// beside the main window; it stays open across recordings and remembers its place, its size
// and the background the user chose.
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "core/recording/recording.h"
#include "core/map/tile_rules.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;

namespace drv {

class Dialogs;
class TileFetcher;
class TrackMap;

class MapWindow : public QWidget {
    Q_OBJECT
public:
    // `settingsFile`: where the choices are kept; `cacheFolder`: the tiles' disk cache.
    MapWindow(Dialogs& dialogs, const QString& settingsFile, const QString& cacheFolder, QWidget* parent = nullptr);
    ~MapWindow() override;

    static QString defaultSettingsFile();

    // The recording's track, fitted, with the marker at its current frame.
    void showRecording(const Recording& recording);
    // The marker follows the frame on screen; cheap enough for every playback step.
    void setCurrentFrame(int frame);
    // Clicks on the track go to a frame only while this says yes (playback stopped).
    void setClickAllowed(std::function<bool()> allowed) { clickAllowed_ = std::move(allowed); }
    // Whether the window has a place of its own from an earlier run.
    bool hasSavedGeometry() const { return restored_; }

    // Chooses a background by its index in the list (0 none, 1 GSI standard, 2 GSI pale,
    // 3 OpenStreetMap, 4 own server with the URL in the field), asking first for a server
    // that has not been allowed before. False when refused or invalid (the choice stays).
    bool chooseServer(int index);
    // "画像として保存...": the map as shown, attribution included, as PNG.
    bool saveAsImage();

    TrackMap* map() const { return map_; }
    TileFetcher* tiles() const { return tiles_.get(); }
    QComboBox* serverBox() const { return serverBox_; }
    QLineEdit* customUrl() const { return customUrl_; }
    QLabel* destination() const { return destination_; }

signals:
    void frameRequested(int frame);

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void mapClicked(QPoint at);
    void applyServer(const TileServer& server);
    void saveGeometryNow();
    std::optional<TileServer> serverAt(int index) const;

    Dialogs& dialogs_;
    std::unique_ptr<QSettings> settings_;
    std::unique_ptr<TileFetcher> tiles_;
    TrackMap* map_ = nullptr;
    QComboBox* serverBox_ = nullptr;
    QLineEdit* customUrl_ = nullptr;
    QPushButton* applyUrl_ = nullptr;
    QLabel* destination_ = nullptr;
    std::function<bool()> clickAllowed_;
    std::filesystem::path recordingFolder_;
    int serverIndex_ = 0;
    bool restored_ = false;
};

// The background remembered in `settingsFile` (agreed to when it was chosen); none without one.
TileServer RememberedTileServer(const QString& settingsFile);

}  // namespace drv

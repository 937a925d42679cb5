#pragma once
// The map window's map: the recording's track and the marker of the frame on screen.
#include <memory>

#include "core/map/track.h"
#include "gui/map/map_widget.h"

namespace drv {

class TrackMap : public MapWidget {
    Q_OBJECT
public:
    explicit TrackMap(TileFetcher* tiles, QWidget* parent = nullptr);

    // A new recording's track: fitted into the window, marker at `frame`.
    void setTrack(Track track, int frame);
    const Track& track() const { return track_; }
    // Moves the marker: repaints the marker's old and new places only.
    void setCurrentFrame(int frame);
    int currentFrame() const { return frame_; }
    void setServer(const TileServer& server);
    void fit() override;

protected:
    void drawBase(QPainter& painter) override;
    QRect drawOverlay(QPainter& painter) override;
    bool hasContent() const override { return track_.hasPositions(); }

private:
    Track track_;
    TileServer server_;
    int frame_ = 0;
};

}  // namespace drv

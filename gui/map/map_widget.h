#pragma once
// A map on screen: a view that the wheel zooms about the mouse and a drag pans, over a
// background of tiles (or the plain grid). What it shows on that background is up to the
// subclass: the recording's track (the map window) or the recordings' pins (the event list).
// The picture below the marker is kept in an image, so a frame change repaints only the marker.
#include <QImage>
#include <QPoint>
#include <QWidget>

#include "core/map/web_mercator.h"
#include "draw/map/map_picture.h"

namespace drv {

class TileFetcher;

class MapWidget : public QWidget {
    Q_OBJECT
public:
    explicit MapWidget(TileFetcher* tiles, QWidget* parent = nullptr);

    const MapView& view() const { return view_; }
    void setView(const MapView& view);
    // Fits the content into the window (the button "全体表示").
    virtual void fit() = 0;
    // The picture as shown (base and overlay), for "画像として保存...".
    QImage grabMap();
    TileFetcher* tiles() const { return tiles_; }

    // The base is drawn again at the next paint (the content or the tiles changed).
    void invalidateBase();

signals:
    // A press and release without a drag, at this point of the widget.
    void clicked(QPoint at);

protected:
    // Draws everything that does not move with the frame into a picture of view().width x height.
    virtual void drawBase(QPainter& painter) = 0;
    // Draws what moves (the marker) over the base; returns its rectangle.
    virtual QRect drawOverlay(QPainter&) { return {}; }
    // Whether there is anything to show, and so any tile worth fetching.
    virtual bool hasContent() const = 0;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    bool fitted_ = false;  // fit() once the widget has its size

private:
    void viewChanged();

    TileFetcher* tiles_;
    MapView view_;
    QImage base_;
    bool baseValid_ = false;
    QPoint pressAt_;
    QPoint lastDrag_;
    bool pressed_ = false;
    bool dragged_ = false;
};

}  // namespace drv

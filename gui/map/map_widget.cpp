#include "gui/map/map_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "net/map/tile_fetcher.h"

namespace drv {

MapWidget::MapWidget(TileFetcher* tiles, QWidget* parent) : QWidget(parent), tiles_(tiles) {
    setMinimumSize(200, 150);
    setMouseTracking(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    if (tiles_) connect(tiles_, &TileFetcher::changed, this, &MapWidget::invalidateBase);
}

void MapWidget::setView(const MapView& view) {
    view_ = view;
    view_.width = width();
    view_.height = height();
    viewChanged();
}

void MapWidget::viewChanged() {
    invalidateBase();
    // Nothing is asked of a server for a map that shows nothing or is not on screen.
    if (tiles_ && isVisible() && hasContent()) tiles_->want(VisibleTiles(view_, tiles_->server().maxZoom));
}

void MapWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    viewChanged();
}

void MapWidget::invalidateBase() {
    baseValid_ = false;
    update();
}

QImage MapWidget::grabMap() {
    QImage image(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    QPainter p(&image);
    drawBase(p);
    drawOverlay(p);
    return image;
}

void MapWidget::paintEvent(QPaintEvent* event) {
    if (!baseValid_ || base_.size() != size()) {
        base_ = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
        QPainter bp(&base_);
        drawBase(bp);
        baseValid_ = true;
    }
    QPainter p(this);
    p.drawImage(event->rect(), base_, event->rect());
    drawOverlay(p);
}

void MapWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    view_.width = width();
    view_.height = height();
    if (!fitted_) {
        fitted_ = true;
        fit();
        return;
    }
    viewChanged();
}

void MapWidget::wheelEvent(QWheelEvent* event) {
    // One notch (120) is half a zoom level.
    const double steps = event->angleDelta().y() / 240.0;
    if (steps == 0) return;
    const QPointF at = event->position();
    view_.zoomAbout(at.x(), at.y(), steps);
    viewChanged();
    event->accept();
}

void MapWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = true;
    dragged_ = false;
    pressAt_ = lastDrag_ = event->position().toPoint();
}

void MapWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_) return;
    const QPoint at = event->position().toPoint();
    if (!dragged_ && (at - pressAt_).manhattanLength() < 4) return;
    dragged_ = true;
    setCursor(Qt::ClosedHandCursor);
    view_.panBy(at.x() - lastDrag_.x(), at.y() - lastDrag_.y());
    lastDrag_ = at;
    viewChanged();
}

void MapWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    unsetCursor();
    if (!dragged_) emit clicked(event->position().toPoint());
}

}  // namespace drv

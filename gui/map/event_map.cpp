#include "gui/map/event_map.h"

#include <QAbstractItemModel>
#include <QItemSelectionModel>
#include <QPainter>
#include <QTableView>

#include "net/map/tile_fetcher.h"

namespace drv {

EventMap::EventMap(TileFetcher* tiles, QWidget* parent) : MapWidget(tiles, parent) {
    setObjectName(QStringLiteral("eventMap"));
    connect(this, &MapWidget::clicked, this, [this](QPoint at) {
        const int i = MapPinAt(view(), pins_, at.x(), at.y());
        if (i >= 0) emit rowClicked(rows_[static_cast<std::size_t>(i)]);
    });
}

void EventMap::setPins(std::vector<MapPin> pins, std::vector<int> rows) {
    const bool first = pins_.empty();
    const int row = selectedRow();
    pins_ = std::move(pins);
    rows_ = std::move(rows);
    selected_ = -1;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i] == row) selected_ = static_cast<int>(i);
    if (first) fit();
    invalidateBase();
}

int EventMap::selectedRow() const { return selected_ >= 0 ? rows_[static_cast<std::size_t>(selected_)] : -1; }

void EventMap::selectRow(int row) {
    selected_ = -1;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i] == row) selected_ = static_cast<int>(i);
    if (selected_ >= 0) {
        double x = 0, y = 0;
        view().toScreen(pins_[static_cast<std::size_t>(selected_)].world, x, y);
        if (x < 20 || y < 30 || x > width() - 20 || y > height() - 10) {
            MapView v = view();
            v.centre = pins_[static_cast<std::size_t>(selected_)].world;
            setView(v);
        }
    }
    invalidateBase();
}

void EventMap::fit() { setView(FitPins(pins_, width(), height())); }

void EventMap::setServer(const TileServer& server) {
    server_ = server;
    setView(view());
}

void EventMap::drawBase(QPainter& painter) {
    DrawMapBackground(painter, view(), server_, tiles(),
                      tiles() && tiles()->failing() && server_.kind != TileServerKind::None);
    DrawMapPins(painter, view(), pins_, selected_);
}

EventMap* AttachEventMap(QTableView* table, TileFetcher* tiles,
                         std::function<std::optional<EventPinPlace>(int row)> placeOfRow, QWidget* parent) {
    auto* map = new EventMap(tiles, parent);
    if (tiles) map->setServer(tiles->server());
    auto* refresh = new QTimer(map);
    refresh->setSingleShot(true);
    refresh->setInterval(0);  // one rebuild for a burst of inserted rows
    QObject::connect(refresh, &QTimer::timeout, map, [map, table, placeOfRow] {
        std::vector<MapPin> pins;
        std::vector<int> rows;
        const int n = table->model() ? table->model()->rowCount() : 0;
        for (int r = 0; r < n; ++r) {
            if (table->isRowHidden(r)) continue;
            const auto place = placeOfRow(r);
            if (!place) continue;
            pins.push_back({ProjectToWorld(place->latitude, place->longitude), place->peakG});
            rows.push_back(r);
        }
        map->setPins(std::move(pins), std::move(rows));
        map->selectRow(table->currentIndex().isValid() ? table->currentIndex().row() : -1);
    });
    auto later = [refresh] { refresh->start(); };
    QAbstractItemModel* model = table->model();
    QObject::connect(model, &QAbstractItemModel::rowsInserted, map, later);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, map, later);
    QObject::connect(model, &QAbstractItemModel::modelReset, map, later);
    QObject::connect(model, &QAbstractItemModel::layoutChanged, map, later);
    QObject::connect(model, &QAbstractItemModel::dataChanged, map, later);
    QObject::connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, map,
                     [map](const QModelIndex& current) { map->selectRow(current.isValid() ? current.row() : -1); });
    QObject::connect(map, &EventMap::rowClicked, table, [table](int row) {
        table->selectRow(row);
        table->scrollTo(table->model()->index(row, 0));
    });
    later();
    return map;
}

}  // namespace drv

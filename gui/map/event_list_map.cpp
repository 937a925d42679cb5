#include "gui/map/event_list_map.h"

#include <QSettings>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <cmath>

#include "gui/events/event_table_model.h"
#include "gui/map/event_map.h"
#include "gui/map/map_window.h"
#include "net/map/tile_fetcher.h"

namespace drv {

QSplitter* WithEventMap(QTableView* table, EventTableModel* model, QSortFilterProxyModel* sorted) {
    auto* splitter = new QSplitter(Qt::Horizontal, table->parentWidget());
    splitter->setObjectName(QStringLiteral("eventSplitter"));
    auto* tiles = new TileFetcher(TileDiskCache::defaultFolder(), splitter);
    tiles->setServer(RememberedTileServer(MapWindow::defaultSettingsFile()));
    EventMap* map = AttachEventMap(
        table, tiles,
        [model, sorted](int row) -> std::optional<EventPinPlace> {
            const QModelIndex source = sorted->mapToSource(sorted->index(row, 0));
            if (!source.isValid()) return std::nullopt;
            const EventSummary& s = model->rows().at(static_cast<std::size_t>(source.row()));
            if (!s.latitude || !s.longitude) return std::nullopt;
            const double peak = std::max(std::abs(s.peakAccelLongitudinal), std::abs(s.peakAccelLateral));
            return EventPinPlace{*s.latitude, *s.longitude, peak};
        },
        splitter);
    splitter->addWidget(table);
    splitter->addWidget(map);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setCollapsible(0, false);
    return splitter;
}

}  // namespace drv

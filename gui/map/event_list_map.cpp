#include "gui/map/event_list_map.h"

#include <QCheckBox>
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

QCheckBox* EventMapToggle(QSplitter* splitter) {
    const QString key = QStringLiteral("eventList/mapShown");
    QWidget* map = splitter->widget(1);
    auto* box = new QCheckBox(QStringLiteral("地図"), splitter->parentWidget());
    box->setObjectName(QStringLiteral("chkEventMap"));
    box->setToolTip(QStringLiteral("一覧の横に記録の場所の地図を表示します (Ctrl+M)"));
    box->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    const bool shown = QSettings(MapWindow::defaultSettingsFile(), QSettings::IniFormat).value(key, true).toBool();
    box->setChecked(shown);
    map->setVisible(shown);
    QObject::connect(box, &QCheckBox::toggled, map, [splitter, map, key](bool on) {
        map->setVisible(on);
        if (on && splitter->sizes().value(1) == 0) {
            // Dragged shut before: open it at its usual share rather than as a sliver.
            const int total = splitter->sizes().value(0);
            splitter->setSizes({total * 3 / 5, total * 2 / 5});
        }
        QSettings(MapWindow::defaultSettingsFile(), QSettings::IniFormat).setValue(key, on);
    });
    QObject::connect(splitter, &QSplitter::splitterMoved, box, [splitter, box] {
        const bool open = splitter->sizes().value(1) > 0;
        if (open != box->isChecked()) box->setChecked(open);
    });
    return box;
}

}  // namespace drv

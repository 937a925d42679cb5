#pragma once
// The event list's table with its map beside it, in a splitter (the map can be dragged shut).
#include <QSplitter>

class QSortFilterProxyModel;
class QTableView;

namespace drv {

class EventTableModel;

// Puts `table` (showing `sorted`, which sorts and filters `model`) into a splitter with the
// map of its rows' pins; the background is the one chosen in the map window.
QSplitter* WithEventMap(QTableView* table, EventTableModel* model, QSortFilterProxyModel* sorted);

}  // namespace drv

#pragma once
// The event list's table with its map beside it, in a splitter (the map can be dragged shut),
// and the check box that shows and hides the map.
#include <QSplitter>

class QCheckBox;
class QSortFilterProxyModel;
class QTableView;

namespace drv {

class EventTableModel;

// Puts `table` (showing `sorted`, which sorts and filters `model`) into a splitter with the
// map of its rows' pins; the background is the one chosen in the map window.
QSplitter* WithEventMap(QTableView* table, EventTableModel* model, QSortFilterProxyModel* sorted);

// "地図" (Ctrl+M) for the window's tool row: shows and hides the map of `splitter` (made by
// WithEventMap), follows the map being dragged shut, and is remembered between sessions.
QCheckBox* EventMapToggle(QSplitter* splitter);

}  // namespace drv

#pragma once
// The event list's map: one pin per recording in the table, coloured by the peak
// acceleration's magnitude. The table stays in charge: its sorting and filters decide which
// pins there are, selecting a row selects its pin, and clicking a pin selects its row.
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

#include "gui/map/map_widget.h"

class QAbstractItemModel;
class QTableView;

namespace drv {

// Where a row's recording happened and how hard it was shaken.
struct EventPinPlace {
    double latitude = 0;
    double longitude = 0;
    double peakG = 0;
};

class EventMap : public MapWidget {
    Q_OBJECT
public:
    explicit EventMap(TileFetcher* tiles, QWidget* parent = nullptr);

    // The pins of the visible rows, in the table's order (rows[i] is table row of pins[i]).
    void setPins(std::vector<MapPin> pins, std::vector<int> rows);
    // Selects the pin of table row `row` (none: -1) and brings it into view.
    void selectRow(int row);
    int selectedRow() const;
    const std::vector<MapPin>& pins() const { return pins_; }
    void fit() override;
    void setServer(const TileServer& server);

signals:
    void rowClicked(int row);

protected:
    void drawBase(QPainter& painter) override;
    bool hasContent() const override { return !pins_.empty(); }

private:
    TileServer server_;
    std::vector<MapPin> pins_;
    std::vector<int> rows_;
    int selected_ = -1;  // index into pins_
};

// The hook for a table of recordings: a map beside it that follows the rows the table shows
// (`model` is the table's model after sorting and filtering). `placeOfRow` gives a row's
// place, nothing for a recording without a position. The map is made here; the caller puts it
// into its layout. It keeps itself up to date as rows arrive, sort or filter.
EventMap* AttachEventMap(QTableView* table, TileFetcher* tiles,
                         std::function<std::optional<EventPinPlace>(int row)> placeOfRow, QWidget* parent);

}  // namespace drv

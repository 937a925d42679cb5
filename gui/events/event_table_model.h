#pragma once
// The rows of the event list: one recording summary each, with Japanese column captions,
// the texts the panel would show, sort keys, and the small picture from the cache.
#include <QAbstractTableModel>
#include <QHash>
#include <QSortFilterProxyModel>
#include <vector>

#include "core/events/event_filter.h"
#include "core/events/event_summary.h"

namespace drv {

class EventThumbnails;

class EventTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        ColPicture,
        ColFolder,
        ColFirstShot,
        ColLength,
        ColFrames,
        ColFpsQuality,
        ColTriggerKind,
        ColTriggerAt,
        ColSpeedAtTrigger,
        ColMaxSpeed,
        ColPeakLongitudinal,
        ColPeakLateral,
        ColBrake,
        ColPosition,
        ColDamaged,
        ColumnCount
    };
    // The value a column sorts by: a number or a text that orders as the column should.
    static constexpr int kSortRole = Qt::UserRole;

    explicit EventTableModel(EventThumbnails& thumbnails, QObject* parent = nullptr);

    void clear();
    // The rows an earlier scan stored, shown greyed until the scan confirms them.
    void showProvisional(std::vector<EventSummary> summaries);
    // Rows read by the scan, in walk order: each confirms or replaces the shown row of its
    // folder, and an unconfirmed row of a folder the scan has passed goes (no longer a recording).
    void append(std::vector<EventSummary> summaries);
    // The scan has read everything: the rows it never confirmed go.
    void dropUnconfirmed();
    int unconfirmedCount() const { return static_cast<int>(rows_.size()) - confirmed_; }
    bool confirmed(int row) const { return row < confirmed_; }
    // Rows in the order they were read (folder-name order).
    const std::vector<EventSummary>& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The cell text the table shows.
    static QString cellText(const EventSummary& s, int column);

private:
    void pictureReady(const QByteArray& file);
    void eraseRows(int first, int end);
    void indexPictures();

    EventThumbnails& thumbnails_;
    std::vector<EventSummary> rows_;
    int confirmed_ = 0;                    // the rows before this one are the scan's; those after, provisional
    QHash<QByteArray, int> rowOfPicture_;  // by the picture path's bytes
};

// The table as shown: the model's rows the filter keeps, sorted by the sort role.
class EventFilterProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit EventFilterProxy(EventTableModel* model, QObject* parent = nullptr);
    void setFilter(const EventFilter& filter);
    const EventFilter& filter() const { return filter_; }
    // The source rows kept, in the order shown.
    std::vector<int> shownRows() const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    EventTableModel* model_;
    EventFilter filter_;
};

}  // namespace drv

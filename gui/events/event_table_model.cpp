#include "gui/events/event_table_model.h"

#include <QBrush>
#include <QColor>
#include <limits>

#include "core/common/numbers.h"
#include "core/events/event_report.h"
#include "core/events/event_scan.h"
#include "core/viewer/panel_text.h"
#include "gui/common/dialogs.h"
#include "gui/events/event_thumbnails.h"

namespace drv {
namespace {

constexpr double kNoNumber = -std::numeric_limits<double>::infinity();

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

QString timeText(const std::optional<ClockTime>& t, const QString& none) {
    if (!t) return none;
    return QString::asprintf("%04d/%02d/%02d %02d:%02d:%02d", t->year, t->month, t->day, t->hour, t->minute, t->second);
}

QString speedText(const std::optional<float>& kmh) { return text(kmh ? SpeedText(*kmh) : kNoSpeedText); }

QString accelText(float g) { return text(FormatNumber(g, "#0.00") + " G"); }

QByteArray picturePath(const EventSummary& s) { return QByteArray::fromStdString((s.path / s.pictureName).native()); }

double number(const std::optional<float>& v) { return v ? static_cast<double>(*v) : kNoNumber; }

QVariant sortKey(const EventSummary& s, int column) {
    switch (column) {
        case EventTableModel::ColPicture:
        case EventTableModel::ColFolder: return PathToQString(s.folder);
        case EventTableModel::ColFirstShot: return text(EventTimeText(s.firstShotAt));
        case EventTableModel::ColLength: return s.lengthSeconds;
        case EventTableModel::ColFrames: return s.frames;
        case EventTableModel::ColFpsQuality: return (s.highFrameRate ? 2 : 0) + (s.highQuality ? 1 : 0);
        case EventTableModel::ColTriggerKind: return text(s.triggerKind);
        case EventTableModel::ColTriggerAt: return text(EventTimeText(s.triggerAt));
        case EventTableModel::ColSpeedAtTrigger: return number(s.speedAtTrigger);
        case EventTableModel::ColMaxSpeed: return number(s.maxSpeed);
        case EventTableModel::ColPeakLongitudinal: return static_cast<double>(s.peakAccelLongitudinal);
        case EventTableModel::ColPeakLateral: return static_cast<double>(s.peakAccelLateral);
        case EventTableModel::ColBrake:
            if (!s.brakeAfterTrigger || !s.triggerFound) return -1;
            return int(*s.brakeAfterTrigger) * 2 + int(s.brakeBeforeTrigger.value_or(false));
        case EventTableModel::ColPosition: return s.latitude ? *s.latitude : kNoNumber;
        case EventTableModel::ColDamaged: return s.damagedFrames;
    }
    return {};
}

}  // namespace

EventTableModel::EventTableModel(EventThumbnails& thumbnails, QObject* parent)
    : QAbstractTableModel(parent), thumbnails_(thumbnails) {
    connect(&thumbnails_, &EventThumbnails::ready, this, &EventTableModel::pictureReady);
}

void EventTableModel::clear() {
    beginResetModel();
    rows_.clear();
    rowOfPicture_.clear();
    confirmed_ = 0;
    endResetModel();
}

void EventTableModel::showProvisional(std::vector<EventSummary> summaries) {
    beginResetModel();
    rows_ = std::move(summaries);
    confirmed_ = 0;
    indexPictures();
    endResetModel();
}

void EventTableModel::append(std::vector<EventSummary> summaries) {
    if (summaries.empty()) return;
    auto next = summaries.begin();
    // Both lists are in walk order: merged row by row while provisional rows remain.
    for (; next != summaries.end() && confirmed_ < static_cast<int>(rows_.size()); ++next) {
        int passed = confirmed_;
        while (passed < static_cast<int>(rows_.size()) &&
               WalkOrderLess(rows_[std::size_t(passed)].folder, next->folder))
            ++passed;
        eraseRows(confirmed_, passed);
        const int at = confirmed_++;
        if (at < static_cast<int>(rows_.size()) && rows_[std::size_t(at)].folder == next->folder) {
            rows_[std::size_t(at)] = std::move(*next);
            emit dataChanged(index(at, 0), index(at, ColumnCount - 1));
        } else {
            beginInsertRows({}, at, at);
            rows_.insert(rows_.begin() + at, std::move(*next));
            endInsertRows();
        }
    }
    if (next != summaries.end()) {
        const int first = static_cast<int>(rows_.size());
        beginInsertRows({}, first, first + static_cast<int>(summaries.end() - next) - 1);
        rows_.insert(rows_.end(), std::make_move_iterator(next), std::make_move_iterator(summaries.end()));
        confirmed_ = static_cast<int>(rows_.size());
        endInsertRows();
    }
    indexPictures();
}

void EventTableModel::dropUnconfirmed() {
    eraseRows(confirmed_, static_cast<int>(rows_.size()));
    indexPictures();
}

void EventTableModel::eraseRows(int first, int end) {
    if (first >= end) return;
    beginRemoveRows({}, first, end - 1);
    rows_.erase(rows_.begin() + first, rows_.begin() + end);
    endRemoveRows();
}

void EventTableModel::indexPictures() {
    rowOfPicture_.clear();
    for (std::size_t r = 0; r < rows_.size(); ++r) rowOfPicture_.insert(picturePath(rows_[r]), static_cast<int>(r));
}

int EventTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int EventTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString EventTableModel::cellText(const EventSummary& s, int column) {
    switch (column) {
        case ColPicture: return {};
        case ColFolder: return PathToQString(s.folder);
        case ColFirstShot: return timeText(s.firstShotAt, QStringLiteral("不明"));
        case ColLength: return text(FormatNumber(s.lengthSeconds, "##0.0"));
        case ColFrames: return QString::number(s.frames);
        case ColFpsQuality: return text(FpsText(s.highFrameRate, s.highQuality)).trimmed();
        case ColTriggerKind: return s.triggerFound ? text(s.triggerKind) : QStringLiteral("なし");
        case ColTriggerAt: return s.triggerFound ? timeText(s.triggerAt, QStringLiteral("不明")) : QString();
        case ColSpeedAtTrigger: return s.triggerFound ? speedText(s.speedAtTrigger) : QString();
        case ColMaxSpeed: return speedText(s.maxSpeed);
        case ColPeakLongitudinal: return accelText(s.peakAccelLongitudinal);
        case ColPeakLateral: return accelText(s.peakAccelLateral);
        case ColBrake: {
            if (!s.triggerFound) return {};
            if (!s.brakeAfterTrigger) return QStringLiteral("信号なし");
            auto onOff = [](const std::optional<bool>& on) {
                return on.value_or(false) ? QStringLiteral("ＯＮ") : QStringLiteral("ＯＦＦ");
            };
            return onOff(s.brakeBeforeTrigger) + QStringLiteral(" → ") + onOff(s.brakeAfterTrigger);
        }
        case ColPosition:
            if (!s.latitude || !s.longitude) return {};
            return text(FormatDegrees(*s.latitude) + ", " + FormatDegrees(*s.longitude));
        case ColDamaged: return QString::number(s.damagedFrames);
    }
    return {};
}

QVariant EventTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const EventSummary& s = rows_[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole: return cellText(s, column);
        case kSortRole: return sortKey(s, column);
        case Qt::DecorationRole:
            if (column != ColPicture) return {};
            if (const auto picture = thumbnails_.get(picturePath(s)); picture && !picture->isNull()) return *picture;
            return {};
        case Qt::ToolTipRole:
            if (!confirmed(index.row()))
                return QStringLiteral("前回読み込んだ内容です。変わっていないか確認しています。");
            if (column == ColFolder || column == ColPicture) return PathToQString(s.path);
            return {};
        case Qt::TextAlignmentRole:
            switch (column) {
                case ColLength:
                case ColFrames:
                case ColSpeedAtTrigger:
                case ColMaxSpeed:
                case ColPeakLongitudinal:
                case ColPeakLateral:
                case ColDamaged: return QVariant(Qt::AlignRight | Qt::AlignVCenter);
                default: return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
            }
        case Qt::ForegroundRole:
            if (!confirmed(index.row())) return QBrush(QColor(128, 128, 128));
            // Damage and a brake reaction are what a reviewer looks for first.
            if (column == ColDamaged && s.damagedFrames > 0) return QBrush(QColor(190, 0, 0));
            if (column == ColBrake && s.triggerFound && s.brakeAfterTrigger.value_or(false))
                return QBrush(QColor(200, 0, 0));
            return {};
    }
    return {};
}

QVariant EventTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    struct Header {
        const char* caption;
        const char* tip;
    };
    static const Header kHeaders[ColumnCount] = {
        {"画像", "検出したコマ(検出のない記録は最初のコマ)"},
        {"フォルダ", "選んだフォルダからの位置"},
        {"撮影日時", "最初のコマの日時(本体の時計、読めなければ撮影日時)"},
        {"長さ(秒)", "コマ数 ÷ フレームレート"},
        {"コマ数", nullptr},
        {"フレームレート/画質", nullptr},
        {"検出方法", nullptr},
        {"検出時刻", "検出したコマの本体の時計"},
        {"検出時速度", nullptr},
        {"最高速度", nullptr},
        {"最大前後G", "前後方向加速度の絶対値が最大の値(符号付き)"},
        {"最大左右G", "左右方向加速度の絶対値が最大の値(符号付き)"},
        {"ブレーキ(前→後)", "検出前の3秒間 → 検出したコマから3秒以内に、ブレーキがＯＮになったか"},
        {"検出位置", "検出したコマの緯度, 経度(度)"},
        {"破損コマ", "テレメトリを読めなかったコマの数"},
    };
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    const Header& h = kHeaders[section];
    if (role == Qt::DisplayRole) return QString::fromUtf8(h.caption);
    if (role == Qt::ToolTipRole && h.tip) return QString::fromUtf8(h.tip);
    return {};
}

void EventTableModel::pictureReady(const QByteArray& file) {
    const auto it = rowOfPicture_.constFind(file);
    if (it == rowOfPicture_.constEnd()) return;
    const QModelIndex cell = index(*it, ColPicture);
    emit dataChanged(cell, cell, {Qt::DecorationRole});
}

EventFilterProxy::EventFilterProxy(EventTableModel* model, QObject* parent)
    : QSortFilterProxyModel(parent), model_(model) {
    setSourceModel(model);
    setSortRole(EventTableModel::kSortRole);
}

void EventFilterProxy::setFilter(const EventFilter& filter) {
    if (filter == filter_) return;
    filter_ = filter;
    invalidateRowsFilter();
}

std::vector<int> EventFilterProxy::shownRows() const {
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(rowCount()));
    for (int r = 0; r < rowCount(); ++r) rows.push_back(mapToSource(index(r, 0)).row());
    return rows;
}

bool EventFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const auto& rows = model_->rows();
    return sourceRow >= 0 && static_cast<std::size_t>(sourceRow) < rows.size() &&
           filter_.matches(rows[static_cast<std::size_t>(sourceRow)]);
}

}  // namespace drv

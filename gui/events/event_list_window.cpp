#include "gui/events/event_list_window.h"

#include <algorithm>

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDir>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QScopedValueRollback>

#include "core/common/file_write.h"
#include "core/events/event_report.h"
#include "core/common/sha256.h"
#include "core/export/telemetry_export.h"
#include "core/recording/recording_dump.h"
#include "gui/common/dialogs.h"
#include "gui/common/ui_font.h"
#include "gui/events/event_batch_job.h"
#include "gui/events/event_scan_job.h"
#include "gui/events/event_table_model.h"
#include "gui/map/event_list_map.h"
#include "gui/events/event_thumbnails.h"
#include "gui/video/batch_video_export.h"

namespace drv {
namespace {

const QString kTitle = QStringLiteral("イベント一覧");
const QString kSaveCsv = QStringLiteral("CSV に保存...");
const QString kRootUnreadable = QStringLiteral("フォルダを読み込めませんでした。\r\n%1");
const QString kRootVanished = QStringLiteral(
    "読み込みの途中でフォルダが読めなくなりました(カードが抜かれた可能性があります)。\r\n"
    "それまでに読み込んだ %1 件を表示します。\r\n%2");
const QString kPlaying = QStringLiteral("再生中は開けません。停止してから開いてください。");
const QString kSaveToPc = QStringLiteral("PCに保存...");
const QString kExportTelemetry = QStringLiteral("テレメトリを一括エクスポート...");
const QString kNoFilter = QStringLiteral("指定なし");
const QString kNoTrigger = QStringLiteral("検出なし");
const QSize kPictureBox(64, 48);
const QDate kNoDate(1999, 12, 31);  // the date edits' "指定なし"

constexpr int kShownUnreadable = 20;
// Rows read within this time join the table together: one insertion and one repaint
// instead of one per recording.
constexpr int kFlushMs = 50;  // paths in the tool tip; the count says the rest

// The list's own settings file, in the user's configuration folder.
std::unique_ptr<QSettings> openSettings() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return std::make_unique<QSettings>(folder + QStringLiteral("/events.ini"), QSettings::IniFormat);
}

std::optional<CalendarDate> dateOf(const QDateEdit* edit) {
    const QDate d = edit->date();
    if (d <= kNoDate || !d.isValid()) return std::nullopt;
    return CalendarDate{d.year(), d.month(), d.day()};
}

QString dayText(const ClockTime& t) { return QString::asprintf("%04d/%02d/%02d", t.year, t.month, t.day); }

// "表示 12 / 300 件　衝撃検出撮影 8・外部スイッチ 3・検出なし 1　2024/05/01〜2024/05/12　破損コマ 4"
QString totalsText(const EventTotals& t, int all) {
    QStringList kinds;
    for (const auto& [kind, count] : t.byTriggerKind)
        if (!kind.empty()) kinds << QString::fromStdString(kind) + QStringLiteral(" %1").arg(count);
    if (const auto none = t.byTriggerKind.find(std::string()); none != t.byTriggerKind.end())
        kinds << kNoTrigger + QStringLiteral(" %1").arg(none->second);
    QString text = QStringLiteral("表示 %1 / %2 件").arg(t.recordings).arg(all);
    if (!kinds.isEmpty()) text += QStringLiteral("　") + kinds.join(QStringLiteral("・"));
    if (t.earliest) text += QStringLiteral("　") + dayText(*t.earliest) + QStringLiteral("〜") + dayText(*t.latest);
    text += QStringLiteral("　破損コマ %1").arg(t.damagedFrames);
    return text;
}

}  // namespace

std::filesystem::path EventListLastRoot() {
    return std::filesystem::path(openSettings()->value(QStringLiteral("root")).toByteArray().toStdString());
}

void SetEventListLastRoot(const std::filesystem::path& root) {
    // The path's bytes: a folder named outside UTF-8 comes back as itself.
    openSettings()->setValue(QStringLiteral("root"), QByteArray::fromStdString(root.native()));
}

EventListWindow::EventListWindow(Dialogs& dialogs, QWidget* parent) : QWidget(parent, Qt::Window), dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmEvents"));
    setWindowTitle(kTitle);
    setFont(JapaneseUiFont());
    desktop_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    cacheFolder_ = QStringToPath(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)) / "events";

    thumbnails_ = new EventThumbnails(kPictureBox, 8 * 1024 * 1024, this);
    job_ = new EventScanJob(this);
    batch_ = new EventBatchJob(this);
    model_ = new EventTableModel(*thumbnails_, this);
    sorted_ = new EventFilterProxy(model_, this);

    rootLabel_ = new QLabel(this);
    rootLabel_->setObjectName(QStringLiteral("lblRoot"));
    rootLabel_->setTextFormat(Qt::PlainText);
    auto* chooseRoot = new QPushButton(QStringLiteral("フォルダを選ぶ..."), this);
    chooseRoot->setObjectName(QStringLiteral("cmdRoot"));
    connect(chooseRoot, &QPushButton::clicked, this, &EventListWindow::rootRequested);
    compact_ = new QCheckBox(QStringLiteral("コンパクト表示"), this);
    compact_->setObjectName(QStringLiteral("chkCompact"));
    compact_->setToolTip(QStringLiteral("画像を隠して行を詰め、一画面に多くの行を表示します"));
    connect(compact_, &QCheckBox::toggled, this, &EventListWindow::setCompact);

    auto* bar = new QWidget(this);
    createFilterBar(bar);

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("lstEvents"));
    table_->setModel(sorted_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setAlternatingRowColors(true);
    table_->setWordWrap(false);
    table_->setTextElideMode(Qt::ElideMiddle);  // a folder's last part tells it apart
    table_->setIconSize(kPictureBox);
    table_->verticalHeader()->hide();
    // Fixed row heights: the view then asks only the rows on screen for their pictures.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(kPictureBox.height() + 6);
    table_->horizontalHeader()->setHighlightSections(false);
    table_->horizontalHeader()->setSectionsMovable(true);
    table_->setSortingEnabled(true);
    table_->sortByColumn(EventTableModel::ColFirstShot, Qt::DescendingOrder);
    table_->installEventFilter(this);
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { openRow(index.row()); });
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    createRowMenu();
    connect(table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!table_->indexAt(pos).isValid()) return;
        rowMenu_->popup(table_->viewport()->mapToGlobal(pos));
    });
    fitColumns();

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblStatus"));
    totals_ = new QLabel(this);
    totals_->setObjectName(QStringLiteral("lblTotals"));
    totals_->setTextFormat(Qt::PlainText);
    unreadableLabel_ = new QLabel(this);
    unreadableLabel_->setObjectName(QStringLiteral("lblUnreadable"));
    QPalette warn = unreadableLabel_->palette();
    warn.setColor(QPalette::WindowText, QColor(170, 0, 0));
    unreadableLabel_->setPalette(warn);
    unreadableLabel_->hide();
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("prgScan"));
    progress_->setFixedWidth(220);
    progress_->setFormat(QStringLiteral("%v / %m フォルダ"));
    cancel_ = new QPushButton(QStringLiteral("中止"), this);
    cancel_->setObjectName(QStringLiteral("cmdCancel"));
    connect(cancel_, &QPushButton::clicked, this, &EventListWindow::cancelScan);
    copy_ = new QPushButton(kSaveToPc, this);
    copy_->setObjectName(QStringLiteral("cmdSaveToPc"));
    copy_->setToolTip(QStringLiteral("選んだ記録をPCのフォルダへコピーし、内容を照合します"));
    connect(copy_, &QPushButton::clicked, this, &EventListWindow::saveSelectedToPc);
    save_ = new QPushButton(kSaveCsv, this);
    save_->setObjectName(QStringLiteral("cmdSaveCsv"));
    connect(save_, &QPushButton::clicked, this, &EventListWindow::saveCsv);

    QSplitter* panes = WithEventMap(table_, model_, sorted_);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("フォルダ:"), this));
    top->addWidget(rootLabel_, 1);
    top->addWidget(compact_);
    top->addWidget(EventMapToggle(panes));
    top->addWidget(chooseRoot);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_);
    bottom->addSpacing(16);
    bottom->addWidget(unreadableLabel_);
    bottom->addStretch(1);
    bottom->addWidget(progress_);
    bottom->addWidget(cancel_);
    bottom->addWidget(copy_);
    bottom->addWidget(save_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(bar);
    layout->addWidget(panes, 1);
    layout->addWidget(totals_);
    layout->addLayout(bottom);

    flush_ = new QTimer(this);
    flush_->setSingleShot(true);
    flush_->setInterval(kFlushMs);
    connect(flush_, &QTimer::timeout, this, &EventListWindow::flushRows);
    connect(job_, &EventScanJob::provisionalRows, this, &EventListWindow::provisionalRows);
    connect(job_, &EventScanJob::rowRead, this, &EventListWindow::rowRead);
    connect(job_, &EventScanJob::folderUnreadable, this, &EventListWindow::folderUnreadable);
    connect(job_, &EventScanJob::progress, this, &EventListWindow::scanProgress);
    connect(job_, &EventScanJob::finished, this, &EventListWindow::scanFinished);
    connect(sorted_, &QAbstractItemModel::rowsInserted, this, &EventListWindow::shownChanged);
    connect(sorted_, &QAbstractItemModel::rowsRemoved, this, &EventListWindow::shownChanged);
    connect(sorted_, &QAbstractItemModel::modelReset, this, &EventListWindow::shownChanged);
    connect(sorted_, &QAbstractItemModel::layoutChanged, this, &EventListWindow::shownChanged);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const bool any = table_->selectionModel()->hasSelection();
        copy_->setEnabled(any && !batch_->running());
    });

    // Ctrl+F to the search; Esc clears the filters, and closes the window when none is set;
    // F5 reads the root again.
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        search_->setFocus();
        search_->selectAll();
    });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (filter().active()) clearFilter();
        else close();
    });
    auto* rescan = new QShortcut(QKeySequence::Refresh, this);
    connect(rescan, &QShortcut::activated, this, [this] {
        if (!root_.empty()) scan(root_);
    });

    showRunning(false);
    copy_->setEnabled(false);
    shownChanged();

    // Every column at once when the screen is wide enough.
    const int wanted = table_->horizontalHeader()->length() + table_->verticalScrollBar()->sizeHint().width() +
                       2 * table_->frameWidth() + layout->contentsMargins().left() + layout->contentsMargins().right();
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1280, 1024);
    resize(std::min(wanted, screen.width() - 40), std::min(720, screen.height() - 80));
    restoreSettings();
}

void EventListWindow::createFilterBar(QWidget* bar) {
    search_ = new QLineEdit(bar);
    search_->setObjectName(QStringLiteral("txtSearch"));
    search_->setPlaceholderText(QStringLiteral("フォルダ名で検索 (Ctrl+F)"));
    search_->setClearButtonEnabled(true);
    kind_ = new QComboBox(bar);
    kind_->setObjectName(QStringLiteral("cmbKind"));
    kind_->addItem(QStringLiteral("すべて"));
    for (const char* k : {"衝撃検出撮影", "外部スイッチ", "常時電源切断"})
        kind_->addItem(QString::fromUtf8(k), QString::fromUtf8(k));
    kind_->addItem(kNoTrigger, QString(""));
    auto dateEdit = [bar](const char* name) {
        auto* edit = new QDateEdit(bar);
        edit->setObjectName(QString::fromUtf8(name));
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        edit->setMinimumDate(kNoDate);
        edit->setSpecialValueText(kNoFilter);
        edit->setDate(kNoDate);
        return edit;
    };
    from_ = dateEdit("dtFrom");
    to_ = dateEdit("dtTo");
    brake_ = new QComboBox(bar);
    brake_->setObjectName(QStringLiteral("cmbBrake"));
    brake_->addItems({QStringLiteral("すべて"), QStringLiteral("ＯＮ"), QStringLiteral("ＯＦＦ")});
    brake_->setToolTip(QStringLiteral("検出したコマから3秒以内のブレーキ"));
    peak_ = new QDoubleSpinBox(bar);
    peak_->setObjectName(QStringLiteral("spnPeak"));
    peak_->setRange(0, 9.99);
    peak_->setSingleStep(0.05);
    peak_->setDecimals(2);
    peak_->setSuffix(QStringLiteral(" G"));
    peak_->setSpecialValueText(kNoFilter);
    peak_->setToolTip(QStringLiteral("前後・左右どちらかの加速度の絶対値の最大がこの値以上"));
    damaged_ = new QCheckBox(QStringLiteral("破損コマあり"), bar);
    damaged_->setObjectName(QStringLiteral("chkDamaged"));
    clear_ = new QPushButton(QStringLiteral("条件をクリア"), bar);
    clear_->setObjectName(QStringLiteral("cmdClearFilter"));
    clear_->setToolTip(QStringLiteral("Esc"));
    connect(clear_, &QPushButton::clicked, this, &EventListWindow::clearFilter);

    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(search_, 2);
    row->addWidget(new QLabel(QStringLiteral("検出方法"), bar));
    row->addWidget(kind_);
    row->addWidget(new QLabel(QStringLiteral("期間"), bar));
    row->addWidget(from_);
    row->addWidget(new QLabel(QStringLiteral("〜"), bar));
    row->addWidget(to_);
    row->addWidget(new QLabel(QStringLiteral("ブレーキ(後)"), bar));
    row->addWidget(brake_);
    row->addWidget(new QLabel(QStringLiteral("最大G ≥"), bar));
    row->addWidget(peak_);
    row->addWidget(damaged_);
    row->addWidget(clear_);

    connect(search_, &QLineEdit::textChanged, this, &EventListWindow::filterEdited);
    connect(kind_, &QComboBox::currentIndexChanged, this, &EventListWindow::filterEdited);
    connect(from_, &QDateEdit::dateChanged, this, &EventListWindow::filterEdited);
    connect(to_, &QDateEdit::dateChanged, this, &EventListWindow::filterEdited);
    connect(brake_, &QComboBox::currentIndexChanged, this, &EventListWindow::filterEdited);
    connect(peak_, &QDoubleSpinBox::valueChanged, this, &EventListWindow::filterEdited);
    connect(damaged_, &QCheckBox::toggled, this, &EventListWindow::filterEdited);
}

void EventListWindow::createRowMenu() {
    rowMenu_ = new QMenu(this);
    rowMenu_->setObjectName(QStringLiteral("rowMenu"));
    auto add = [this](const QString& text, const char* name, auto slot) {
        QAction* action = rowMenu_->addAction(text, this, slot);
        action->setObjectName(QString::fromUtf8(name));
        return action;
    };
    QAction* open = add(QStringLiteral("開く"), "open", [this] {
        if (table_->currentIndex().isValid()) openRow(table_->currentIndex().row());
    });
    rowMenu_->setDefaultAction(open);
    add(QStringLiteral("フォルダを開く"), "openFolder", &EventListWindow::openSelectedFolder);
    add(QStringLiteral("パスをコピー"), "copyPath", &EventListWindow::copySelectedPaths);
    add(QStringLiteral("位置をコピー"), "copyPosition", &EventListWindow::copySelectedPositions);
    rowMenu_->addSeparator();
    add(kSaveToPc, "saveToPc", &EventListWindow::saveSelectedToPc);
    add(kExportTelemetry, "exportTelemetry", &EventListWindow::exportSelectedTelemetry);
    add(QStringLiteral("動画として保存..."), "exportVideos", &EventListWindow::exportSelectedVideos);
}

EventListWindow::~EventListWindow() { storeSettings(); }

// Widths from the captions and a typical cell, never from the rows: measuring every row
// would decode every picture.
void EventListWindow::fitColumns() {
    static const char* const kTypical[EventTableModel::ColumnCount] = {"",
                                                                       "DCIM/100EVENT/EVT0001",
                                                                       "2000/00/00 00:00:00",
                                                                       "000.0",
                                                                       "00000",
                                                                       "14fps / 高画質",
                                                                       "衝撃検出撮影",
                                                                       "2000/00/00 00:00:00",
                                                                       "000.0km/h",
                                                                       "000.0km/h",
                                                                       "-0.00 G",
                                                                       "-0.00 G",
                                                                       "ＯＦＦ → ＯＦＦ",
                                                                       "-00.0000000, -000.0000000",
                                                                       "000"};
    const QFontMetrics metrics(font());
    QHeaderView* header = table_->horizontalHeader();
    for (int c = 0; c < EventTableModel::ColumnCount; ++c) {
        const QString caption = model_->headerData(c, Qt::Horizontal).toString();
        const int text = std::max(metrics.horizontalAdvance(QString::fromUtf8(kTypical[c])),
                                  metrics.horizontalAdvance(caption) + 14);  // room for the sort arrow
        header->resizeSection(c, c == EventTableModel::ColPicture ? kPictureBox.width() + 10 : text + 12);
    }
}

void EventListWindow::scan(const std::filesystem::path& root, int maxDepth) {
    job_->cancel();
    root_ = root;
    rootLabel_->setText(PathToQString(root));
    unreadable_.clear();
    unreadableLabel_->hide();
    pending_.clear();
    model_->clear();
    progress_->setRange(0, 0);  // busy until the walk has counted the folders
    showRunning(true);
    status_->setText(QStringLiteral("フォルダを探しています..."));
    job_->start(root, maxDepth, cacheFile(root));
}

void EventListWindow::shareFolderWatch(std::shared_ptr<FolderWatch> watch) { job_->shareWatch(std::move(watch)); }

std::filesystem::path EventListWindow::cacheFile(const std::filesystem::path& root) const {
    if (cacheFolder_.empty()) return {};
    // One file per root, named by its path's digest (any bytes, any length).
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(root, ec);
    return cacheFolder_ / (Sha256Hex((ec ? root : absolute).lexically_normal().native()) + ".cache");
}

bool EventListWindow::scanning() const { return job_->running(); }

void EventListWindow::cancelScan() { job_->cancel(); }

void EventListWindow::showRunning(bool running) {
    progress_->setVisible(running);
    cancel_->setVisible(running);
    cancel_->setEnabled(running);
    save_->setEnabled(!running);
}

void EventListWindow::provisionalRows(const std::vector<EventSummary>& rows) {
    model_->showProvisional(rows);
    status_->setText(QStringLiteral("前回の内容を表示しています。確認中... %1 件").arg(rows.size()));
}

void EventListWindow::rowRead(const EventSummary& summary) {
    pending_.push_back(summary);
    if (!flush_->isActive()) flush_->start();
}

void EventListWindow::flushRows() {
    flush_->stop();
    model_->append(std::move(pending_));
    pending_.clear();
    if (!scanning()) return;
    if (const int unconfirmed = model_->unconfirmedCount())
        status_->setText(QStringLiteral("確認中... 残り %1 件").arg(unconfirmed));
    else status_->setText(QStringLiteral("読み込み中... %1 件").arg(model_->rowCount()));
}

void EventListWindow::folderUnreadable(const std::filesystem::path& folder) {
    unreadable_.push_back(folder);
    unreadableLabel_->setText(QStringLiteral("読めないフォルダ: %1 件").arg(unreadable_.size()));
    QStringList lines;
    for (std::size_t i = 0; i < unreadable_.size() && i < kShownUnreadable; ++i) lines << PathToQString(unreadable_[i]);
    if (unreadable_.size() > kShownUnreadable) lines << QStringLiteral("...");
    unreadableLabel_->setToolTip(lines.join(QLatin1Char('\n')));
    unreadableLabel_->show();
}

void EventListWindow::scanProgress(int done, int total) {
    progress_->setRange(0, total);
    progress_->setValue(done);
}

void EventListWindow::scanFinished(ScanEnd end) {
    flushRows();  // rows read before a cancel are kept
    if (end == ScanEnd::Complete) model_->dropUnconfirmed();
    showRunning(false);
    const int rows = model_->rowCount();
    // Rows shown from the cache that the scan did not reach stay, greyed, and are counted.
    const int unconfirmed = model_->unconfirmedCount();
    const QString unchecked = unconfirmed ? QStringLiteral("、うち未確認 %1 件").arg(unconfirmed) : QString();
    switch (end) {
        case ScanEnd::Complete: status_->setText(QStringLiteral("%1 件のイベント").arg(rows)); break;
        case ScanEnd::Cancelled:
            status_->setText(QStringLiteral("中止しました (%1 件%2)").arg(rows).arg(unchecked));
            break;
        case ScanEnd::RootUnreadable:
            status_->setText(QStringLiteral("フォルダを読み込めませんでした"));
            dialogs_.message(this, kRootUnreadable.arg(PathToQString(root_)), kTitle, Dialogs::Buttons::Ok,
                             Dialogs::Icon::Warning);
            break;
        case ScanEnd::RootVanished:
            status_->setText(QStringLiteral("途中で読めなくなりました (%1 件%2)").arg(rows).arg(unchecked));
            dialogs_.message(this, kRootVanished.arg(rows).arg(PathToQString(root_)), kTitle, Dialogs::Buttons::Ok,
                             Dialogs::Icon::Warning);
            break;
    }
}

void EventListWindow::openRow(int row) {
    const QModelIndex index = sorted_->mapToSource(sorted_->index(row, 0));
    if (!index.isValid() || !open_) return;
    const EventSummary& s = model_->rows().at(static_cast<std::size_t>(index.row()));
    // Refused while the main window plays: say so rather than do nothing.
    if (!open_(s.path)) dialogs_.message(this, kPlaying, kTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Information);
}

std::vector<EventSummary> EventListWindow::selectedRows() const {
    std::vector<EventSummary> out;
    QModelIndexList rows = table_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& index : rows) {
        const QModelIndex source = sorted_->mapToSource(index);
        if (source.isValid()) out.push_back(model_->rows().at(static_cast<std::size_t>(source.row())));
    }
    return out;
}

void EventListWindow::openSelectedFolder() {
    for (const EventSummary& s : selectedRows()) desktop_(PathToUrl(s.path));
}

void EventListWindow::copySelectedPaths() {
    QStringList lines;
    for (const EventSummary& s : selectedRows()) lines << PathToQString(s.path);
    QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void EventListWindow::copySelectedPositions() {
    QStringList lines;
    for (const EventSummary& s : selectedRows()) {
        if (s.latitude && s.longitude)
            lines << QString::fromStdString(FormatDegrees(*s.latitude) + ", " + FormatDegrees(*s.longitude));
    }
    if (!lines.isEmpty()) QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void EventListWindow::saveSelectedToPc() {
    if (selectedRows().empty() || batch_->running()) return;
    std::filesystem::path start = copyFolder_.empty() ? QStringToPath(QDir::homePath()) : copyFolder_;
    const std::optional<std::filesystem::path> folder =
        dialogs_.chooseFolder(this, QStringLiteral("記録を保存するフォルダを選択してください"), start);
    if (folder) copySelectedTo(*folder);
}

bool EventListWindow::copySelectedTo(const std::filesystem::path& destination,
                                     std::function<ssize_t(int, const void*, std::size_t)> write) {
    const std::vector<EventSummary> rows = selectedRows();
    if (rows.empty() || batch_->running()) return false;
    std::vector<std::filesystem::path> sources;
    for (const EventSummary& s : rows) sources.push_back(s.path);
    copyFolder_ = destination;
    copy_->setEnabled(false);
    auto result = std::make_shared<CopyResult>();
    const int requested = static_cast<int>(sources.size());
    return batch_->start(
        this, QStringLiteral("PCに保存しています... (%1 件)").arg(requested),
        [sources, destination, write, result](const EventBatchJob::Control& control) {
            CopyCallbacks cb;
            cb.cancelled = control.cancelled;
            cb.write = write;
            cb.progress = [&control](std::uint64_t done, std::uint64_t total, int) {
                control.progress(static_cast<qint64>(done), static_cast<qint64>(total));
            };
            *result = CopyRecordings(sources, destination, cb);
        },
        [this, result, requested] { copyFinished(*result, requested); });
}

void EventListWindow::copyFinished(const CopyResult& r, int requested) {
    copy_->setEnabled(table_->selectionModel()->hasSelection());
    const QString kept =
        QStringLiteral("コピーを終えて照合した %1 / %2 件は保存先に残っています。途中の記録は残していません。")
            .arg(r.copied.size())
            .arg(requested);
    const QString where = PathToQString(r.failedAt) +
                          (r.reason.empty() ? QString() : QStringLiteral("\r\n") + QString::fromLocal8Bit(r.reason));
    QString text;
    Dialogs::Icon icon = Dialogs::Icon::Warning;
    switch (r.end) {
        case CopyEnd::Complete:
            text = QStringLiteral("%1 件を保存し、すべてのファイルを読み返して照合しました (SHA-256)。\r\n%2")
                       .arg(r.copied.size())
                       .arg(PathToQString(copyFolder_));
            icon = Dialogs::Icon::Information;
            break;
        case CopyEnd::Cancelled:
            text = QStringLiteral("中止しました。\r\n") + kept;
            icon = Dialogs::Icon::Information;
            break;
        case CopyEnd::SourceUnreadable:
            text = QStringLiteral("カードから読めなくなりました(抜かれた可能性があります)。\r\n") + where +
                   QStringLiteral("\r\n") + kept;
            break;
        case CopyEnd::DestinationFull:
            text = QStringLiteral("保存先の空き容量が足りません。\r\n") + where + QStringLiteral("\r\n") + kept;
            break;
        case CopyEnd::DestinationFailed:
            text = QStringLiteral("保存先に書き込めませんでした。\r\n") + where + QStringLiteral("\r\n") + kept;
            break;
        case CopyEnd::Mismatch:
            text = QStringLiteral("コピーしたファイルが元と一致しませんでした。\r\n") + where + QStringLiteral("\r\n") +
                   kept;
            break;
    }
    dialogs_.message(this, text, kSaveToPc.chopped(3), Dialogs::Buttons::Ok, icon);
}

void EventListWindow::exportSelectedTelemetry() {
    if (selectedRows().empty() || batch_->running()) return;
    const std::filesystem::path start = saveFolder_.empty() ? QStringToPath(QDir::homePath()) : saveFolder_;
    // The save dialog picks the format by its filter; the name only says where the files go.
    const Dialogs::SavePick pick = dialogs_.saveFile(
        this, kExportTelemetry.chopped(3), start / "recordings",
        {QStringLiteral("CSV (*.csv)"), QStringLiteral("GPX (*.gpx)"), QStringLiteral("KML (*.kml)")});
    if (!pick.file.empty()) exportSelectedTelemetryTo(pick.file.parent_path(), pick.filter);
}

bool EventListWindow::exportSelectedTelemetryTo(const std::filesystem::path& destination, int formatIndex) {
    const std::vector<EventSummary> rows = selectedRows();
    if (rows.empty() || batch_->running()) return false;
    const ExportFormat format = formatIndex == 1   ? ExportFormat::Gpx
                                : formatIndex == 2 ? ExportFormat::Kml
                                                   : ExportFormat::Csv;
    saveFolder_ = destination;
    struct Outcome {
        int written = 0;
        QStringList failed;
        bool cancelled = false;
    };
    auto outcome = std::make_shared<Outcome>();
    std::vector<std::filesystem::path> folders;
    for (const EventSummary& s : rows) folders.push_back(s.path);
    return batch_->start(
        this, QStringLiteral("テレメトリをエクスポートしています... (%1 件)").arg(rows.size()),
        [folders, destination, format, outcome](const EventBatchJob::Control& control) {
            const qint64 total = static_cast<qint64>(folders.size());
            for (std::size_t i = 0; i < folders.size(); ++i) {
                if (control.cancelled()) {
                    outcome->cancelled = true;
                    return;
                }
                control.progress(static_cast<qint64>(i), total);
                Recording recording;
                std::filesystem::path name = folders[i].filename();
                if (name.empty()) name = folders[i].parent_path().filename();
                // One file per recording, named after its folder; an existing name is kept, not replaced.
                std::filesystem::path target = destination / (name.native() + ExportFileExtension(format));
                for (int n = 2; std::filesystem::exists(target); ++n)
                    target =
                        destination / (name.native() + " (" + std::to_string(n) + ")" + ExportFileExtension(format));
                Status done = LoadRecordingFolder(folders[i], recording);
                if (done) done = ReplaceFileContents(target, ExportTelemetry(recording, format));
                if (!done) {
                    outcome->failed << PathToQString(folders[i]) + QStringLiteral(": ") +
                                           QString::fromLocal8Bit(done.message);
                    continue;
                }
                ++outcome->written;
            }
            control.progress(total, total);
        },
        [this, outcome, destination] {
            QString text = QStringLiteral("%1 件のファイルを書き出しました。\r\n%2")
                               .arg(outcome->written)
                               .arg(PathToQString(destination));
            if (outcome->cancelled) text = QStringLiteral("中止しました。") + text;
            if (!outcome->failed.isEmpty())
                text += QStringLiteral("\r\n書き出せなかった記録:\r\n") +
                        outcome->failed.mid(0, 10).join(QStringLiteral("\r\n"));
            dialogs_.message(this, text, kExportTelemetry.chopped(3), Dialogs::Buttons::Ok,
                             outcome->failed.isEmpty() ? Dialogs::Icon::Information : Dialogs::Icon::Warning);
        });
}

void EventListWindow::exportSelectedVideos() {
    std::vector<std::filesystem::path> folders;
    for (const EventSummary& s : selectedRows()) folders.push_back(s.path);
    AskAndExportVideos(this, dialogs_, *batch_, folders, saveFolder_,
                       screenBrightness_ ? screenBrightness_() : BrightnessMode::Standard);
}

EventFilter EventListWindow::filter() const {
    EventFilter f;
    f.text = search_->text().toStdString();
    if (kind_->currentIndex() > 0) f.triggerKind = kind_->currentData().toString().toStdString();
    f.from = dateOf(from_);
    f.to = dateOf(to_);
    f.brakeAfterTrigger = static_cast<EventFilter::Brake>(brake_->currentIndex());
    f.minPeakG = peak_->value();
    f.damagedOnly = damaged_->isChecked();
    return f;
}

void EventListWindow::setFilter(const EventFilter& f) {
    {
        // One update of the table for the whole bar.
        const QScopedValueRollback<bool> guard(updatingBar_, true);
        search_->setText(QString::fromStdString(f.text));
        int kind = 0;
        if (f.triggerKind) kind = std::max(0, kind_->findData(QString::fromStdString(*f.triggerKind)));
        kind_->setCurrentIndex(kind);
        auto toDate = [](const std::optional<CalendarDate>& d) {
            return d ? QDate(d->year, d->month, d->day) : kNoDate;
        };
        from_->setDate(toDate(f.from));
        to_->setDate(toDate(f.to));
        brake_->setCurrentIndex(static_cast<int>(f.brakeAfterTrigger));
        peak_->setValue(f.minPeakG);
        damaged_->setChecked(f.damagedOnly);
    }
    filterEdited();
}

void EventListWindow::clearFilter() { setFilter({}); }

void EventListWindow::filterEdited() {
    if (updatingBar_) return;
    sorted_->setFilter(filter());
    clear_->setEnabled(filter().active());
    shownChanged();
}

void EventListWindow::shownChanged() {
    const std::vector<int> shown = sorted_->shownRows();
    totals_->setText(totalsText(TotalEvents(model_->rows(), &shown), model_->rowCount()));
    std::vector<EventSummary> rows;
    rows.reserve(shown.size());
    for (int r : shown) rows.push_back(model_->rows().at(static_cast<std::size_t>(r)));
    emit shownRowsChanged(rows);
}

void EventListWindow::setCompact(bool compact) {
    compact_->setChecked(compact);
    // Without the pictures a row is one line of text: 30 and more on a screen.
    const int textRow = fontMetrics().height() + 6;
    table_->verticalHeader()->setDefaultSectionSize(compact ? textRow : kPictureBox.height() + 6);
    table_->setColumnHidden(EventTableModel::ColPicture, compact);
}

bool EventListWindow::compact() const { return compact_->isChecked(); }

void EventListWindow::restoreSettings() {
    const auto settings = openSettings();
    settings->beginGroup(QStringLiteral("window"));
    if (settings->contains(QStringLiteral("geometry")))
        restoreGeometry(settings->value(QStringLiteral("geometry")).toByteArray());
    if (settings->contains(QStringLiteral("columns"))) {
        QHeaderView* header = table_->horizontalHeader();
        if (header->restoreState(settings->value(QStringLiteral("columns")).toByteArray()))
            table_->sortByColumn(header->sortIndicatorSection(), header->sortIndicatorOrder());
    }
    setCompact(settings->value(QStringLiteral("compact"), false).toBool());
    EventFilter f;
    f.text = settings->value(QStringLiteral("search")).toString().toStdString();
    if (settings->contains(QStringLiteral("kind")))
        f.triggerKind = settings->value(QStringLiteral("kind")).toString().toStdString();
    auto date = [&](const QString& key) -> std::optional<CalendarDate> {
        const QDate d = QDate::fromString(settings->value(key).toString(), Qt::ISODate);
        if (!d.isValid()) return std::nullopt;
        return CalendarDate{d.year(), d.month(), d.day()};
    };
    f.from = date(QStringLiteral("from"));
    f.to = date(QStringLiteral("to"));
    f.brakeAfterTrigger =
        static_cast<EventFilter::Brake>(std::clamp(settings->value(QStringLiteral("brake")).toInt(), 0, 2));
    f.minPeakG = std::clamp(settings->value(QStringLiteral("peak")).toDouble(), 0.0, 9.99);
    f.damagedOnly = settings->value(QStringLiteral("damaged")).toBool();
    settings->endGroup();
    setFilter(f);
}

void EventListWindow::storeSettings() {
    const auto settings = openSettings();
    settings->beginGroup(QStringLiteral("window"));
    settings->setValue(QStringLiteral("geometry"), saveGeometry());
    settings->setValue(QStringLiteral("columns"), table_->horizontalHeader()->saveState());
    settings->setValue(QStringLiteral("compact"), compact());
    const EventFilter f = filter();
    settings->setValue(QStringLiteral("search"), QString::fromStdString(f.text));
    if (f.triggerKind) settings->setValue(QStringLiteral("kind"), QString::fromStdString(*f.triggerKind));
    else settings->remove(QStringLiteral("kind"));
    auto date = [](const std::optional<CalendarDate>& d) {
        return d ? QDate(d->year, d->month, d->day).toString(Qt::ISODate) : QString();
    };
    settings->setValue(QStringLiteral("from"), date(f.from));
    settings->setValue(QStringLiteral("to"), date(f.to));
    settings->setValue(QStringLiteral("brake"), static_cast<int>(f.brakeAfterTrigger));
    settings->setValue(QStringLiteral("peak"), f.minPeakG);
    settings->setValue(QStringLiteral("damaged"), f.damagedOnly);
    settings->endGroup();
}

bool EventListWindow::saveCsv() {
    if (scanning()) return false;
    const std::filesystem::path folder = saveFolder_.empty() ? QStringToPath(QDir::homePath()) : saveFolder_;
    std::string name = root_.filename().native();
    if (name.empty()) name = root_.parent_path().filename().native();
    const std::filesystem::path suggested = folder / (name.empty() ? "events.csv" : name + "-events.csv");
    const Dialogs::SavePick pick =
        dialogs_.saveFile(this, kSaveCsv.chopped(3), suggested,
                          {QStringLiteral("CSV (*.csv)"), QStringLiteral("CSV Excel 用 UTF-8 BOM 付き (*.csv)")});
    if (pick.file.empty()) return false;
    // The rows shown, in folder-name order (the order read).
    std::vector<int> shown = sorted_->shownRows();
    std::sort(shown.begin(), shown.end());
    std::vector<EventSummary> rows;
    for (int r : shown) rows.push_back(model_->rows().at(static_cast<std::size_t>(r)));
    if (!WriteFileOrTell(dialogs_, this, kTitle, pick.file, EventsToCsv(rows, pick.filter == 1))) return false;
    saveFolder_ = pick.file.parent_path();
    return true;
}

bool EventListWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && table_->currentIndex().isValid()) {
            openRow(table_->currentIndex().row());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void EventListWindow::closeEvent(QCloseEvent* event) {
    // A scan of a window nobody sees is wasted reading of the card.
    job_->cancel();
    storeSettings();
    QWidget::closeEvent(event);
}

}  // namespace drv

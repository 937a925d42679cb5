#include "gui/events/event_list_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "core/events/event_report.h"
#include "gui/common/dialogs.h"
#include "gui/common/ui_font.h"
#include "gui/events/event_scan_job.h"
#include "gui/events/event_table_model.h"
#include "gui/events/event_thumbnails.h"

namespace drv {
namespace {

const QString kTitle = QStringLiteral("イベント一覧");
const QString kSaveCsv = QStringLiteral("CSV に保存...");
const QString kRootUnreadable = QStringLiteral("フォルダを読み込めませんでした。\r\n%1");
const QString kRootVanished =
    QStringLiteral("読み込みの途中でフォルダが読めなくなりました(カードが抜かれた可能性があります)。\r\n"
                   "それまでに読み込んだ %1 件を表示します。\r\n%2");
const QSize kPictureBox(64, 48);
constexpr int kShownUnreadable = 20;
// Rows read within this time join the table together: one insertion and one repaint
// instead of one per recording.
constexpr int kFlushMs = 50;  // paths in the tool tip; the count says the rest

}  // namespace

EventListWindow::EventListWindow(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmEvents"));
    setWindowTitle(kTitle);
    setFont(JapaneseUiFont());

    thumbnails_ = new EventThumbnails(kPictureBox, 8 * 1024 * 1024, this);
    job_ = new EventScanJob(this);
    model_ = new EventTableModel(*thumbnails_, this);
    sorted_ = new QSortFilterProxyModel(this);
    sorted_->setSourceModel(model_);
    sorted_->setSortRole(EventTableModel::kSortRole);

    rootLabel_ = new QLabel(this);
    rootLabel_->setObjectName(QStringLiteral("lblRoot"));
    rootLabel_->setTextFormat(Qt::PlainText);
    auto* chooseRoot = new QPushButton(QStringLiteral("フォルダを選ぶ..."), this);
    chooseRoot->setObjectName(QStringLiteral("cmdRoot"));
    connect(chooseRoot, &QPushButton::clicked, this, &EventListWindow::rootRequested);

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("lstEvents"));
    table_->setModel(sorted_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
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
    table_->setSortingEnabled(true);
    table_->sortByColumn(EventTableModel::ColFirstShot, Qt::DescendingOrder);
    table_->installEventFilter(this);
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { openRow(index.row()); });
    fitColumns();

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblStatus"));
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
    save_ = new QPushButton(kSaveCsv, this);
    save_->setObjectName(QStringLiteral("cmdSaveCsv"));
    connect(save_, &QPushButton::clicked, this, &EventListWindow::saveCsv);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("フォルダ:"), this));
    top->addWidget(rootLabel_, 1);
    top->addWidget(chooseRoot);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_);
    bottom->addSpacing(16);
    bottom->addWidget(unreadableLabel_);
    bottom->addStretch(1);
    bottom->addWidget(progress_);
    bottom->addWidget(cancel_);
    bottom->addWidget(save_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table_, 1);
    layout->addLayout(bottom);

    flush_ = new QTimer(this);
    flush_->setSingleShot(true);
    flush_->setInterval(kFlushMs);
    connect(flush_, &QTimer::timeout, this, &EventListWindow::flushRows);
    connect(job_, &EventScanJob::rowRead, this, &EventListWindow::rowRead);
    connect(job_, &EventScanJob::folderUnreadable, this, &EventListWindow::folderUnreadable);
    connect(job_, &EventScanJob::progress, this, &EventListWindow::scanProgress);
    connect(job_, &EventScanJob::finished, this, &EventListWindow::scanFinished);
    showRunning(false);

    // Every column at once when the screen is wide enough.
    const int wanted = table_->horizontalHeader()->length() + table_->verticalScrollBar()->sizeHint().width() +
                       2 * table_->frameWidth() + layout->contentsMargins().left() + layout->contentsMargins().right();
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1280, 1024);
    resize(std::min(wanted, screen.width() - 40), std::min(640, screen.height() - 80));
}

EventListWindow::~EventListWindow() = default;

// Widths from the captions and a typical cell, never from the rows: measuring every row
// would decode every picture.
void EventListWindow::fitColumns() {
    static const char* const kTypical[EventTableModel::ColumnCount] = {
        "", "DCIM/100EVENT/EVT0001", "2000/00/00 00:00:00", "000.0", "00000", "14fps / 高画質", "衝撃検出撮影",
        "2000/00/00 00:00:00", "000.0km/h", "000.0km/h", "-0.00 G", "-0.00 G", "ＯＦＦ",
        "-00.0000000, -000.0000000", "000"};
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
    job_->start(root, maxDepth);
}

bool EventListWindow::scanning() const { return job_->running(); }

void EventListWindow::cancelScan() { job_->cancel(); }

void EventListWindow::showRunning(bool running) {
    progress_->setVisible(running);
    cancel_->setVisible(running);
    cancel_->setEnabled(running);
    save_->setEnabled(!running);
}

void EventListWindow::rowRead(const EventSummary& summary) {
    pending_.push_back(summary);
    if (!flush_->isActive()) flush_->start();
}

void EventListWindow::flushRows() {
    flush_->stop();
    model_->append(std::move(pending_));
    pending_.clear();
    if (scanning()) status_->setText(QStringLiteral("読み込み中... %1 件").arg(model_->rowCount()));
}

void EventListWindow::folderUnreadable(const std::filesystem::path& folder) {
    unreadable_.push_back(folder);
    unreadableLabel_->setText(QStringLiteral("読めないフォルダ: %1 件").arg(unreadable_.size()));
    QStringList lines;
    for (std::size_t i = 0; i < unreadable_.size() && i < kShownUnreadable; ++i)
        lines << PathToQString(unreadable_[i]);
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
    showRunning(false);
    const int rows = model_->rowCount();
    switch (end) {
        case ScanEnd::Complete: status_->setText(QStringLiteral("%1 件のイベント").arg(rows)); break;
        case ScanEnd::Cancelled: status_->setText(QStringLiteral("中止しました (%1 件)").arg(rows)); break;
        case ScanEnd::RootUnreadable:
            status_->setText(QStringLiteral("フォルダを読み込めませんでした"));
            dialogs_.message(this, kRootUnreadable.arg(PathToQString(root_)), kTitle, Dialogs::Buttons::Ok,
                             Dialogs::Icon::Warning);
            break;
        case ScanEnd::RootVanished:
            status_->setText(QStringLiteral("途中で読めなくなりました (%1 件)").arg(rows));
            dialogs_.message(this, kRootVanished.arg(rows).arg(PathToQString(root_)), kTitle, Dialogs::Buttons::Ok,
                             Dialogs::Icon::Warning);
            break;
    }
}

void EventListWindow::openRow(int row) {
    const QModelIndex index = sorted_->mapToSource(sorted_->index(row, 0));
    if (!index.isValid()) return;
    emit recordingRequested(model_->rows().at(static_cast<std::size_t>(index.row())).path);
}

bool EventListWindow::saveCsv() {
    if (scanning()) return false;
    const std::filesystem::path folder = saveFolder_.empty() ? QStringToPath(QDir::homePath()) : saveFolder_;
    std::string name = root_.filename().native();
    if (name.empty()) name = root_.parent_path().filename().native();
    const std::filesystem::path suggested = folder / (name.empty() ? "events.csv" : name + "-events.csv");
    const Dialogs::SavePick pick = dialogs_.saveFile(this, kSaveCsv.chopped(3), suggested, {QStringLiteral("CSV (*.csv)")});
    if (pick.file.empty()) return false;
    if (!WriteFileOrTell(dialogs_, this, kTitle, pick.file, EventsToCsv(model_->rows()))) return false;
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
    QWidget::closeEvent(event);
}

}  // namespace drv

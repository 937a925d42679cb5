#pragma once
// "イベント一覧": every recording below a root folder, one row each, read on a worker while
// the rows appear. A filter bar narrows the rows; Enter or a double-click asks the main window
// to open the recording at its trigger frame; the selected rows can be copied off the card.
#include <QUrl>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "core/events/event_filter.h"
#include "core/events/event_scan.h"
#include "core/events/recording_copy.h"
#include "core/viewer/brightness.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSettings;
class QTableView;
class QTimer;

namespace drv {

class Dialogs;
class EventBatchJob;
class EventFilterProxy;
class EventScanJob;
class EventTableModel;
class EventThumbnails;

// The root the list read last, kept between sessions (empty before the first).
std::filesystem::path EventListLastRoot();
void SetEventListLastRoot(const std::filesystem::path& root);

class EventListWindow : public QWidget {
    Q_OBJECT
public:
    // Asks the main window to open a recording at its trigger frame; false when it cannot now.
    using OpenFn = std::function<bool(const std::filesystem::path& folder)>;
    // Hands a folder to the desktop (its file manager); the tests' seam.
    using DesktopFn = std::function<bool(const QUrl& url)>;

    explicit EventListWindow(Dialogs& dialogs, QWidget* parent = nullptr);
    ~EventListWindow() override;

    void setOpener(OpenFn open) { open_ = std::move(open); }
    void shareFolderWatch(std::shared_ptr<FolderWatch> watch);
    // The main window's brightening, offered by the batch video export.
    void setScreenBrightness(std::function<BrightnessMode()> mode) { screenBrightness_ = std::move(mode); }
    void setDesktop(DesktopFn desktop) { desktop_ = std::move(desktop); }
    // Where the summaries of scanned cards are kept (the user's cache folder by default);
    // empty: every scan reads every folder.
    void setCacheFolder(const std::filesystem::path& folder) { cacheFolder_ = folder; }
    // The cache file of `root` in the cache folder.
    std::filesystem::path cacheFile(const std::filesystem::path& root) const;

    // Forgets the rows and reads `root` afresh.
    void scan(const std::filesystem::path& root, int maxDepth = kDefaultEventDepth);
    // Stops the scan now, keeping the rows read.
    void cancelScan();
    bool scanning() const;
    // "CSV に保存...": the rows shown, in folder-name order, as `drtool events --format csv`
    // writes them (with a byte order mark for Excel when that filter is chosen). True when written.
    bool saveCsv();
    // The recording of a row of the table as sorted on screen.
    void openRow(int row);

    // The selected rows' summaries, in the order shown.
    std::vector<EventSummary> selectedRows() const;
    // "PCに保存...": asks for a folder, then copies the selected recordings into it.
    void saveSelectedToPc();
    // Copies the selected recordings into `destination` with a progress window; `write` is
    // the tests' seam. False when refused (nothing selected, or a batch running).
    bool copySelectedTo(const std::filesystem::path& destination,
                        std::function<ssize_t(int, const void*, std::size_t)> write = {});
    // "テレメトリを一括エクスポート...": one file per selected recording into a chosen folder.
    void exportSelectedTelemetry();
    bool exportSelectedTelemetryTo(const std::filesystem::path& destination, int format);
    // "動画として保存...": the video export's choices once, a folder, one MP4 per selected recording.
    void exportSelectedVideos();

    // The filter bar as one value; setting it updates the bar and the table.
    EventFilter filter() const;
    void setFilter(const EventFilter& filter);
    void clearFilter();
    void setCompact(bool compact);
    bool compact() const;

    const std::filesystem::path& root() const { return root_; }
    const std::vector<std::filesystem::path>& unreadable() const { return unreadable_; }

    QTableView* table() const { return table_; }
    EventTableModel* model() const { return model_; }
    EventFilterProxy* sorted() const { return sorted_; }
    EventScanJob& job() const { return *job_; }
    EventBatchJob& batch() const { return *batch_; }
    QProgressBar* progressBar() const { return progress_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* saveButton() const { return save_; }
    QLabel* statusLabel() const { return status_; }
    QLabel* totalsLabel() const { return totals_; }
    QLineEdit* searchBox() const { return search_; }
    QMenu* rowMenu() const { return rowMenu_; }

signals:
    void rootRequested();
    // The rows the filters keep, whenever they change: what a map shows as pins.
    void shownRowsChanged(const std::vector<drv::EventSummary>& rows);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createFilterBar(QWidget* bar);
    void createRowMenu();
    void provisionalRows(const std::vector<EventSummary>& rows);
    void rowRead(const EventSummary& summary);
    void flushRows();
    void folderUnreadable(const std::filesystem::path& folder);
    void scanProgress(int done, int total);
    void scanFinished(ScanEnd end);
    void showRunning(bool running);
    void fitColumns();
    void filterEdited();
    void shownChanged();
    void copySelectedPaths();
    void copySelectedPositions();
    void openSelectedFolder();
    void copyFinished(const CopyResult& result, int requested);
    void restoreSettings();
    void storeSettings();

    Dialogs& dialogs_;
    OpenFn open_;
    std::function<BrightnessMode()> screenBrightness_;
    DesktopFn desktop_;
    std::filesystem::path root_;
    std::filesystem::path saveFolder_;
    std::filesystem::path copyFolder_;
    std::filesystem::path cacheFolder_;
    std::vector<std::filesystem::path> unreadable_;
    std::vector<EventSummary> pending_;  // read, not yet in the table
    bool updatingBar_ = false;
    QTimer* flush_;
    EventThumbnails* thumbnails_;
    EventScanJob* job_;
    EventBatchJob* batch_;
    EventTableModel* model_;
    EventFilterProxy* sorted_;
    QLabel* rootLabel_;
    QLineEdit* search_;
    QComboBox* kind_;
    QDateEdit* from_;
    QDateEdit* to_;
    QComboBox* brake_;
    QDoubleSpinBox* peak_;
    QCheckBox* damaged_;
    QPushButton* clear_;
    QCheckBox* compact_;
    QTableView* table_;
    QMenu* rowMenu_ = nullptr;
    QLabel* status_;
    QLabel* totals_;
    QLabel* unreadableLabel_;
    QProgressBar* progress_;
    QPushButton* cancel_;
    QPushButton* copy_;
    QPushButton* save_;
};

}  // namespace drv

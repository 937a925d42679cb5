#pragma once
// "イベント一覧": every recording below a root folder, one row each, read on a worker while
// the rows appear. Enter or a double-click asks the main window to open the recording.
#include <QWidget>
#include <filesystem>
#include <vector>

#include "core/events/event_scan.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTimer;

namespace drv {

class Dialogs;
class EventScanJob;
class EventTableModel;
class EventThumbnails;

class EventListWindow : public QWidget {
    Q_OBJECT
public:
    explicit EventListWindow(Dialogs& dialogs, QWidget* parent = nullptr);
    ~EventListWindow() override;

    // Forgets the rows and reads `root` afresh.
    void scan(const std::filesystem::path& root, int maxDepth = kDefaultEventDepth);
    // Stops the scan now, keeping the rows read.
    void cancelScan();
    bool scanning() const;
    // "CSV に保存...": the rows in folder-name order, as `drtool events --format csv` writes
    // them. True when a file was written.
    bool saveCsv();
    // The recording of a row of the table as sorted on screen.
    void openRow(int row);

    const std::filesystem::path& root() const { return root_; }
    const std::vector<std::filesystem::path>& unreadable() const { return unreadable_; }

    QTableView* table() const { return table_; }
    EventTableModel* model() const { return model_; }
    QSortFilterProxyModel* sorted() const { return sorted_; }
    EventScanJob& job() const { return *job_; }
    QProgressBar* progressBar() const { return progress_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* saveButton() const { return save_; }
    QLabel* statusLabel() const { return status_; }

signals:
    void recordingRequested(const std::filesystem::path& folder);
    void rootRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void rowRead(const EventSummary& summary);
    void flushRows();
    void folderUnreadable(const std::filesystem::path& folder);
    void scanProgress(int done, int total);
    void scanFinished(ScanEnd end);
    void showRunning(bool running);
    void fitColumns();

    Dialogs& dialogs_;
    std::filesystem::path root_;
    std::filesystem::path saveFolder_;
    std::vector<std::filesystem::path> unreadable_;
    std::vector<EventSummary> pending_;  // read, not yet in the table
    QTimer* flush_;
    EventThumbnails* thumbnails_;
    EventScanJob* job_;
    EventTableModel* model_;
    QSortFilterProxyModel* sorted_;
    QLabel* rootLabel_;
    QTableView* table_;
    QLabel* status_;
    QLabel* unreadableLabel_;
    QProgressBar* progress_;
    QPushButton* cancel_;
    QPushButton* save_;
};

}  // namespace drv

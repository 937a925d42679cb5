#pragma once
// The main window's report entries: "報告書を作成(&R)...", "印刷(&P)...", "証拠として保存(&K)..."
// and "証拠を検証(&V)..." in the File menu (the first and third also in the picture's context
// menu). The work runs on a worker thread behind a progress dialog with Cancel.
#include <QObject>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "core/map/tile_rules.h"
#include "core/recording/recording.h"
#include "core/report/package.h"
#include "draw/report/evidence_package.h"
#include "gui/report/report_dialog.h"

class QAction;
class QPrintPreviewDialog;
class QPrinter;
class QProgressDialog;
class QTimer;

namespace drv {

class MainWindow;

class ReportMenu : public QObject {
    Q_OBJECT
public:
    explicit ReportMenu(MainWindow& window);
    ~ReportMenu() override;

    QAction* reportAction() const { return report_; }
    QAction* printAction() const { return print_; }
    QAction* packageAction() const { return package_; }
    QAction* verifyAction() const { return verify_; }

    // Starts the work without the choices dialog and the file picker; false when refused (no
    // recording, playing, or work already running). The tests' way in. `map`: page 1's map on
    // that background, its tiles fetched on the worker; nothing, no map and no network.
    bool startReport(const EvidenceRequest& request, const std::filesystem::path& target,
                     std::optional<TileServer> map = std::nullopt);
    bool startPackage(const EvidenceRequest& request, const std::filesystem::path& target,
                      std::optional<TileServer> map = std::nullopt);
    bool startVerify(const std::filesystem::path& package);
    bool busy() const { return worker_.joinable(); }
    QProgressDialog* progress() const { return progress_; }

    // The package picker of "証拠を検証"; replaceable for tests.
    std::function<std::filesystem::path()> pickPackage;
    // The map window's settings, whose background the report's map uses, and the tiles' cache.
    QString mapSettingsFile;
    QString mapCacheFolder;

public slots:
    void mnuReport_Click();
    void mnuPrint_Click();
    void mnuPackage_Click();
    void mnuVerify_Click();

signals:
    // After the closing message (or without one when cancelled).
    void finished(bool ok);

private:
    bool available() const;
    void updateEnabled();
    std::filesystem::path saveFolder() const;
    // The choices dialog; false when cancelled. `map` is set when page 1 is to show the map.
    bool askChoices(ReportDialog::Purpose purpose, EvidenceRequest& request, std::optional<TileServer>& map);
    std::filesystem::path askTarget(const QString& title, const QString& extension, const QString& filter);
    // The preview's print button through the system's dialog without its "print to file"
    // (that PDF would not be the report's PDF/A), and a line pointing to "報告書を作成".
    void offerPrintersOnly(QPrintPreviewDialog& preview, QPrinter& printer, const std::function<void()>& print);
    // Runs `work` on the worker thread with the progress dialog; `done` on the interface thread.
    void run(const QString& title, std::function<void(std::function<bool(double)>)> work, std::function<void()> done);

    MainWindow& window_;
    QAction* report_ = nullptr;
    QAction* print_ = nullptr;
    QAction* package_ = nullptr;
    QAction* verify_ = nullptr;
    QAction* pictureReport_ = nullptr;
    QAction* picturePackage_ = nullptr;
    std::filesystem::path saveFolder_;
    std::thread worker_;
    std::atomic<bool> cancelled_{false};
    std::atomic<int> permille_{0};
    QProgressDialog* progress_ = nullptr;
    QTimer* poll_ = nullptr;
};

}  // namespace drv

#include "gui/report/report_menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QTimer>

#include "core/common/file_write.h"
#include "core/map/track_source.h"
#include "draw/report/report_map.h"
#include "gui/app/main_window.h"
#include "gui/common/dialogs.h"
#include "gui/map/map_window.h"
#include "gui/report/report_dialog.h"
#include "gui/video/video_export.h"
#include "net/report/report_tiles.h"

namespace drv {

namespace {

const QString kReportDone = QStringLiteral("報告書を作成しました。\r\n%1");
const QString kPackageDone = QStringLiteral(
    "証拠として保存しました。\r\n%1\r\n"
    "元の画像 %2 個と報告書・動画・テレメトリを、SHA-256 の一覧とともに収めています。");
const QString kCannotMake = QStringLiteral("%1できませんでした。\r\n%2\r\n(%3)");
const QString kPdfHint = QStringLiteral(
    "PDF として保存するときは「ファイル → 報告書を作成」を使ってください。"
    "フォントを埋め込んだ長期保存用の PDF（PDF/A）になります。");
const QString kNoPrinter = QStringLiteral(
    "使えるプリンターがありません。\r\n"
    "PDF として保存するときは「ファイル → 報告書を作成」を使ってください。");
const QString kVerifyAll = QStringLiteral("すべてのファイル（%1 個）が SHA-256 の一覧と一致しました。\r\n%2");
const QString kVerifySome = QStringLiteral("一致しないファイルがあります（%1 個中 %2 個）。\r\n%3\r\n\r\n%4");
const QString kVerifyUnreadable = QStringLiteral("証拠パッケージとして読めません。\r\n%1\r\n(%2)");

QString checkText(FileCheck check) {
    switch (check) {
        case FileCheck::Match: return QStringLiteral("一致");
        case FileCheck::Mismatch: return QStringLiteral("一致しません");
        case FileCheck::Missing: return QStringLiteral("パッケージにありません");
        case FileCheck::Damaged: return QStringLiteral("読み出せません");
        case FileCheck::Unlisted: return QStringLiteral("一覧にないファイル");
    }
    return {};
}

VideoMaker videoMakerFor(const Recording& recording, BrightnessMode brightness) {
    return [&recording, brightness](const std::filesystem::path& mp4, const std::function<bool(double)>& progress,
                                    std::string& error) {
        VideoExportRequest v;
        v.range = {1, recording.frameCount()};
        v.brightness = brightness;
        v.target = mp4;
        const VideoExportResult made =
            ExportVideo(recording, v, [&](int done, int total) { return progress(double(done) / total); });
        if (made.result.ok()) return true;
        error = made.result.status == VideoStatus::Cancelled ? ""
                : made.result.detail.empty()                 ? std::string("encoding failed")
                                                             : made.result.detail;
        return false;
    };
}

// Page 1's map on `background`, its tiles fetched here (the worker) while `progress` allows.
std::function<QString(QPainter&, const QRectF&)> mapPainter(const Recording& recording, const TileServer& background,
                                                            const QString& cacheFolder,
                                                            const std::function<bool(double)>& progress) {
    return ReportMapWithTiles(
        recording, background, nullptr, [&] { return progress(0); }, cacheFolder);
}

}  // namespace

void ReportMenu::offerPrintersOnly(QPrintPreviewDialog& preview, QPrinter& printer,
                                   const std::function<void()>& print) {
    auto* hint = new QLabel(kPdfHint, &preview);
    hint->setObjectName(QStringLiteral("pdfHint"));
    hint->setWordWrap(true);
    hint->setContentsMargins(8, 4, 8, 6);
    if (preview.layout()) preview.layout()->addWidget(hint);
    // The preview's own print button would write a plain PDF through the printer when there is
    // none, or offer "print to file" in the system's dialog: take it over.
    const QString printText = QCoreApplication::translate("QPrintPreviewDialog", "Print");
    for (QAction* action : preview.findChildren<QAction*>()) {
        if (action->text() != printText) continue;
        disconnect(action, nullptr, &preview, nullptr);
        connect(action, &QAction::triggered, &preview, [this, &preview, &printer, print] {
            if (QPrinterInfo::availablePrinters().isEmpty()) {
                window_.dialogs().message(&preview, kNoPrinter, kAppTitle, Dialogs::Buttons::Ok,
                                          Dialogs::Icon::Information);
                return;
            }
            printer.setOutputFormat(QPrinter::NativeFormat);
            QPrintDialog dialog(&printer, &preview);
            dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
            if (dialog.exec() != QDialog::Accepted) return;
            print();
            preview.accept();
        });
    }
}

ReportMenu::ReportMenu(MainWindow& window)
    : QObject(&window),
      mapSettingsFile(MapWindow::defaultSettingsFile()),
      mapCacheFolder(TileDiskCache::defaultFolder()),
      window_(window) {
    setObjectName(QStringLiteral("reportMenu"));
    QMenu* file = window.menus().mnuFile;
    const auto entry = [&](const QString& text, const char* name, void (ReportMenu::*slot)()) {
        auto* action = new QAction(text, file);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
        file->insertAction(window.menus().mnuSeparate1, action);
        return action;
    };
    report_ = entry(QStringLiteral("報告書を作成(&R)..."), "mnuReport", &ReportMenu::mnuReport_Click);
    print_ = entry(QStringLiteral("印刷(&P)..."), "mnuPrint", &ReportMenu::mnuPrint_Click);
    package_ = entry(QStringLiteral("証拠として保存(&K)..."), "mnuPackage", &ReportMenu::mnuPackage_Click);
    verify_ = entry(QStringLiteral("証拠を検証(&V)..."), "mnuVerify", &ReportMenu::mnuVerify_Click);
    connect(file, &QMenu::aboutToShow, this, &ReportMenu::updateEnabled);
    if (QMenu* picture = window.pictureMenu()) {
        pictureReport_ = picture->addAction(report_->text(), this, &ReportMenu::mnuReport_Click);
        pictureReport_->setObjectName(QStringLiteral("report"));
        picturePackage_ = picture->addAction(package_->text(), this, &ReportMenu::mnuPackage_Click);
        picturePackage_->setObjectName(QStringLiteral("package"));
        connect(picture, &QMenu::aboutToShow, this, &ReportMenu::updateEnabled);
    }
    updateEnabled();
}

ReportMenu::~ReportMenu() {
    cancelled_ = true;
    if (worker_.joinable()) worker_.join();
}

bool ReportMenu::available() const {
    return window_.recording().isOpen() && window_.buttonMode() == MainWindow::kButtonsAll &&
           !window_.playback().isActive() && !busy();
}

void ReportMenu::updateEnabled() {
    const bool on = available();
    for (QAction* a : {report_, print_, package_, pictureReport_, picturePackage_})
        if (a) a->setEnabled(on);
    verify_->setEnabled(!busy());
}

std::filesystem::path ReportMenu::saveFolder() const {
    // Never the recording's folder: a file there would sit among its frames.
    return saveFolder_.empty() ? QStringToPath(QDir::homePath()) : saveFolder_;
}

std::filesystem::path ReportMenu::askTarget(const QString& title, const QString& extension, const QString& filter) {
    const auto suggested = saveFolder() / (window_.recording().folder.filename().native() + extension.toStdString());
    std::filesystem::path file = window_.dialogs().saveFile(&window_, title, suggested, {filter}).file;
    if (!file.empty() && file.extension().empty()) file += extension.toStdString();
    return file;
}

bool ReportMenu::askChoices(ReportDialog::Purpose purpose, EvidenceRequest& request, std::optional<TileServer>& map) {
    const Recording& recording = window_.recording();
    const TileServer background = RememberedTileServer(mapSettingsFile);
    ReportDialog choices(purpose, window_.brightnessMode(), recording.triggerFrame().has_value(),
                         RecordingTrack(recording).hasPositions(), background, &window_);
    if (choices.exec() != QDialog::Accepted) return false;
    request.choices = choices.choices();
    request.look.brightness = choices.brightness();
    map.reset();
    if (choices.mapIncluded()) map = background;
    return true;
}

void ReportMenu::mnuReport_Click() {
    if (!available()) return;
    EvidenceRequest request;
    std::optional<TileServer> map;
    if (!askChoices(ReportDialog::Purpose::Report, request, map)) return;
    const auto target =
        askTarget(QStringLiteral("報告書を作成"), QStringLiteral(".pdf"), QStringLiteral("PDF (*.pdf)"));
    if (target.empty()) return;
    startReport(request, target, map);
}

void ReportMenu::mnuPackage_Click() {
    if (!available()) return;
    EvidenceRequest request;
    std::optional<TileServer> map;
    if (!askChoices(ReportDialog::Purpose::Package, request, map)) return;
    const auto target =
        askTarget(QStringLiteral("証拠として保存"), QStringLiteral("_evidence.zip"), QStringLiteral("ZIP (*.zip)"));
    if (target.empty()) return;
    startPackage(request, target, map);
}

void ReportMenu::run(const QString& title, std::function<void(std::function<bool(double)>)> work,
                     std::function<void()> done) {
    cancelled_ = false;
    permille_ = 0;
    progress_ = new QProgressDialog(title, QStringLiteral("キャンセル"), 0, 1000, &window_);
    progress_->setObjectName(QStringLiteral("frmReportProgress"));
    progress_->setWindowTitle(title);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(0);
    progress_->setValue(0);
    QProgressDialog* dialog = progress_;
    connect(dialog, &QProgressDialog::canceled, dialog, [this, dialog] {
        cancelled_ = true;
        dialog->setLabelText(QStringLiteral("キャンセルしています..."));
    });
    // The timer belongs to the dialog, so it goes with it.
    poll_ = new QTimer(dialog);
    connect(poll_, &QTimer::timeout, dialog, [this, dialog] { dialog->setValue(permille_.load()); });
    poll_->start(100);
    progress_->show();
    updateEnabled();

    worker_ = std::thread([this, work = std::move(work), done = std::move(done)] {
        work([this](double share) {
            permille_ = static_cast<int>(std::clamp(share, 0.0, 1.0) * 1000);
            return !cancelled_.load();
        });
        QMetaObject::invokeMethod(
            this,
            [this, done] {
                worker_.join();
                poll_->stop();
                poll_ = nullptr;
                progress_->deleteLater();
                progress_ = nullptr;
                updateEnabled();
                done();
            },
            Qt::QueuedConnection);
    });
}

bool ReportMenu::startReport(const EvidenceRequest& request, const std::filesystem::path& target,
                             std::optional<TileServer> map) {
    if (!available() || target.empty()) return false;
    // The worker keeps copies: the window may open another recording meanwhile.
    auto recording = std::make_shared<Recording>(window_.recording());
    auto outcome = std::make_shared<std::pair<bool, std::string>>(false, "");
    auto cancelled = std::make_shared<bool>(false);
    const QString cacheFolder = mapCacheFolder;
    run(
        QStringLiteral("報告書を作成しています..."),
        [=](std::function<bool(double)> progress) {
            ReportLook look = request.look;
            if (map) look.paintMap = mapPainter(*recording, *map, cacheFolder, progress);
            const auto content = BuildReportContent(*recording, request.choices, progress);
            if (!content) {
                *cancelled = true;
                return;
            }
            const auto pdf = ReportPdf(*recording, *content, look, outcome->second);
            if (!pdf) return;
            const Status written =
                ReplaceFileContents(target, std::string_view(pdf->constData(), static_cast<std::size_t>(pdf->size())));
            outcome->first = written.ok;
            outcome->second = written.message;
        },
        [=, this] {
            if (*cancelled) return emit finished(false);
            if (outcome->first) {
                saveFolder_ = target.parent_path();
                window_.dialogs().message(&window_, kReportDone.arg(PathToQString(target)), kAppTitle,
                                          Dialogs::Buttons::Ok, Dialogs::Icon::Information);
            } else {
                window_.dialogs().message(&window_,
                                          kCannotMake.arg(QStringLiteral("報告書を作成"), PathToQString(target),
                                                          QString::fromLocal8Bit(outcome->second)),
                                          kAppTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
            }
            emit finished(outcome->first);
        });
    return true;
}

bool ReportMenu::startPackage(const EvidenceRequest& given, const std::filesystem::path& target,
                              std::optional<TileServer> map) {
    if (!available() || target.empty()) return false;
    auto recording = std::make_shared<Recording>(window_.recording());
    auto outcome = std::make_shared<PackageResult>();
    EvidenceRequest request = given;
    if (!request.makeVideo) request.makeVideo = videoMakerFor(*recording, request.look.brightness);
    const int frames = recording->frameCount();
    const QString cacheFolder = mapCacheFolder;
    run(
        QStringLiteral("証拠として保存しています..."),
        [=](std::function<bool(double)> progress) {
            EvidenceRequest withMap = request;
            if (map) withMap.look.paintMap = mapPainter(*recording, *map, cacheFolder, progress);
            *outcome = WriteEvidencePackage(*recording, withMap, target, progress);
        },
        [=, this] {
            if (outcome->status == PackageStatus::Cancelled) return emit finished(false);
            if (outcome->ok()) {
                saveFolder_ = target.parent_path();
                window_.dialogs().message(&window_, kPackageDone.arg(PathToQString(target)).arg(frames), kAppTitle,
                                          Dialogs::Buttons::Ok, Dialogs::Icon::Information);
            } else {
                window_.dialogs().message(&window_,
                                          kCannotMake.arg(QStringLiteral("証拠として保存"), PathToQString(target),
                                                          QString::fromLocal8Bit(outcome->detail)),
                                          kAppTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
            }
            emit finished(outcome->ok());
        });
    return true;
}

void ReportMenu::mnuPrint_Click() {
    if (!available()) return;
    EvidenceRequest request;
    std::optional<TileServer> map;
    if (!askChoices(ReportDialog::Purpose::Print, request, map)) return;
    auto recording = std::make_shared<Recording>(window_.recording());
    auto content = std::make_shared<std::optional<ReportContent>>();
    auto look = std::make_shared<ReportLook>(request.look);
    const ReportChoices picked = request.choices;
    const QString cacheFolder = mapCacheFolder;
    // The sums and the map's tiles are read on the worker; the pages are painted here, where
    // the printer lives.
    run(
        QStringLiteral("報告書を準備しています..."),
        [=](std::function<bool(double)> progress) {
            if (map) look->paintMap = mapPainter(*recording, *map, cacheFolder, progress);
            *content = BuildReportContent(*recording, picked, progress);
        },
        [=, this] {
            if (!*content) return emit finished(false);
            QPrinter printer(QPrinter::HighResolution);
            printer.setPageSize(QPageSize(QPageSize::A4));
            printer.setPageOrientation(QPageLayout::Portrait);
            printer.setFullPage(true);
            printer.setDocName(QStringLiteral("報告書 ") + QString::fromStdString((*content)->folderName));
            // The pages first, as they will come out; its print button opens the system's dialog.
            QPrintPreviewDialog preview(&printer, &window_);
            preview.setWindowTitle(QStringLiteral("印刷プレビュー - ") + printer.docName());
            preview.resize(900, 1000);
            std::string error;
            bool ok = true;
            connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                    [&](QPrinter* target) { ok = PaintReport(*target, *recording, **content, *look, error); });
            offerPrintersOnly(preview, printer,
                              [&] { ok = PaintReport(printer, *recording, **content, *look, error); });
            if (preview.exec() != QDialog::Accepted && ok) return emit finished(false);
            if (!ok)
                window_.dialogs().message(
                    &window_,
                    kCannotMake.arg(QStringLiteral("印刷"), printer.printerName(), QString::fromStdString(error)),
                    kAppTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
            emit finished(ok);
        });
}

void ReportMenu::mnuVerify_Click() {
    if (busy()) return;
    std::filesystem::path package;
    if (pickPackage) {
        package = pickPackage();
    } else {
        const QUrl url = QFileDialog::getOpenFileUrl(&window_, QStringLiteral("証拠を検証"), PathToUrl(saveFolder()),
                                                     QStringLiteral("ZIP (*.zip)"));
        package = UrlToPath(url);
    }
    if (!package.empty()) startVerify(package);
}

bool ReportMenu::startVerify(const std::filesystem::path& package) {
    if (busy() || package.empty()) return false;
    auto result = std::make_shared<VerifyResult>();
    auto cancelled = std::make_shared<bool>(false);
    run(
        QStringLiteral("証拠を検証しています..."),
        [=](std::function<bool(double)> progress) {
            *result = VerifyPackage(package, progress);
            *cancelled = !progress(1.0);
        },
        [=, this] {
            if (*cancelled) return emit finished(false);
            const QString file = PathToQString(package);
            if (!result->error.empty()) {
                window_.dialogs().message(&window_, kVerifyUnreadable.arg(file, QString::fromStdString(result->error)),
                                          kAppTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
                return emit finished(false);
            }
            if (result->allMatch()) {
                window_.dialogs().message(&window_, kVerifyAll.arg(result->files.size()).arg(file), kAppTitle,
                                          Dialogs::Buttons::Ok, Dialogs::Icon::Information);
                return emit finished(true);
            }
            QStringList lines;
            int failed = 0;
            for (const VerifiedFile& f : result->files) {
                if (f.check == FileCheck::Match) continue;
                if (++failed <= 15) lines << QString::fromStdString(f.name) + QStringLiteral("：") + checkText(f.check);
            }
            if (failed > 15) lines << QStringLiteral("ほか %1 個").arg(failed - 15);
            window_.dialogs().message(
                &window_,
                kVerifySome.arg(result->files.size()).arg(failed).arg(file, lines.join(QStringLiteral("\r\n"))),
                kAppTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
            emit finished(false);
        });
    return true;
}

}  // namespace drv

#pragma once
// The incident report's pages, painted with QPainter on any paged device: a PDF/A-1b file
// through QPdfWriter, or a printer. A4 portrait, Japanese fonts, a footer on every page.
// Qt Gui only, safe on a worker thread.
#include <QByteArray>
#include <QDateTime>
#include <QPagedPaintDevice>
#include <QString>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "core/recording/recording.h"
#include "core/report/report_content.h"
#include "core/viewer/brightness.h"

namespace drv {

struct ReportLook {
    BrightnessMode brightness = BrightnessMode::Standard;  // of the frames on page 1
    QDateTime madeAt = QDateTime::currentDateTime();
    // Paints the track map into the rectangle (device units, the shape of kReportMapWidth x
    // kReportMapHeight) and returns a line to print under it (empty: none); not set, page 1
    // has no map (ReportMapPainter makes one).
    std::function<QString(QPainter&, const QRectF&)> paintMap;
};

// The number of pages the report takes (the footer's "m").
int ReportPageCount(const ReportContent& content);

// Paints every page on `device`, which must be open for a new painter; false with the reason
// in `error` when the device cannot be painted on.
bool PaintReport(QPagedPaintDevice& device, const Recording& recording, const ReportContent& content,
                 const ReportLook& look, std::string& error);

// The report as the bytes of a PDF/A-1b file.
std::optional<QByteArray> ReportPdf(const Recording& recording, const ReportContent& content, const ReportLook& look,
                                    std::string& error);

// The footer's program line: "ドライブレコーダー ビューワーソフト" and the version.
QString ReportProgramLine();

}  // namespace drv

#include "draw/report/report_pages.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

#include "core/common/file_read.h"
#include "core/graphs/chart_drawing.h"
#include "core/graphs/chart_model.h"
#include "core/graphs/chart_state.h"
#include "core/common/version.h"
#include "draw/common/ui_font.h"
#include "draw/report/report_map.h"

namespace drv {

namespace {

constexpr const char* kProgramName = "ドライブレコーダー ビューワーソフト";
constexpr const char* kTitle = "事故・事象報告書";

// Page geometry in millimetres.
constexpr double kMargin = 15;
constexpr double kPageWidth = 210;
constexpr double kPageHeight = 297;
constexpr double kContentWidth = kPageWidth - 2 * kMargin;
constexpr double kFooterTop = kPageHeight - 12;
constexpr double kBodyTop = kMargin + 10;  // below a page's section title
constexpr double kTableRowHeight = 4.0;
constexpr double kFileRowHeight = 4.0;

int rowsPerPage(double rowHeight) {
    // the column headings take one row
    return static_cast<int>(std::floor((kFooterTop - 4 - kBodyTop) / rowHeight)) - 1;
}

int pagesFor(std::size_t items, double rowHeight) {
    const auto per = static_cast<std::size_t>(rowsPerPage(rowHeight));
    return items == 0 ? 0 : static_cast<int>((items + per - 1) / per);
}

// The windows' font, sized in points for paper.
QFont reportFont(double points, bool bold = false) {
    QFont font = JapaneseUiFont(12, bold);
    font.setPointSizeF(points);
    return font;
}

// Digits and hashes line up in the fixed-width member of the same family.
QFont fixedFont(double points) {
    QFont font;
    font.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP")});
    font.setPointSizeF(points);
    return font;
}

QString q(const std::string& utf8) { return QString::fromStdString(utf8); }

// The chart's canvas units drawn into a rectangle of the page at the device's resolution.
class PainterCanvas final : public Canvas {
public:
    PainterCanvas(QPainter& painter, const QRectF& target, double unitsWide, double unitsHigh, double penUnit)
        : painter_(painter),
          target_(target),
          sx_(target.width() / unitsWide),
          sy_(target.height() / unitsHigh),
          penUnit_(penUnit) {}

    void point(std::int32_t x, std::int32_t y, Rgb colour) override {
        const double size = penUnit_ * penWidth_;
        painter_.fillRect(QRectF(map(x, y) - QPointF(size / 2, size / 2), QSizeF(size, size)), qcolor(colour));
        last_ = {x, y};
    }
    void lineTo(std::int32_t x, std::int32_t y, Rgb colour) override { line(last_.x(), last_.y(), x, y, colour); }
    void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb colour) override {
        QPen p = pen(colour);
        // The ±0.3 G lines, the chart's only red ones: a full pixel on screen, but a unit of the
        // page melts into the black ground at a viewer's zoom, so they are drawn half as wide again.
        if (colour == kRed) p.setWidthF(p.widthF() * 1.5);
        painter_.setPen(p);
        painter_.drawLine(map(x1, y1), map(x2, y2));
        last_ = {x2, y2};
    }
    void rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb colour) override {
        painter_.setPen(pen(colour));
        painter_.setBrush(Qt::NoBrush);
        painter_.drawRect(QRectF(map(x1, y1), map(x2, y2)).normalized());
    }
    void fillRectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb colour) override {
        painter_.fillRect(QRectF(map(x1, y1), map(x2, y2)).normalized(), qcolor(colour));
    }
    void setPenWidth(int width) override { penWidth_ = std::clamp(width, 1, 2); }

private:
    QPointF map(std::int32_t x, std::int32_t y) const { return {target_.left() + x * sx_, target_.top() + y * sy_}; }
    static QColor qcolor(Rgb c) { return QColor(c.r, c.g, c.b); }
    QPen pen(Rgb colour) const {
        QPen p(qcolor(colour));
        p.setWidthF(penUnit_ * penWidth_);
        p.setCapStyle(Qt::FlatCap);
        return p;
    }

    QPainter& painter_;
    QRectF target_;
    double sx_, sy_, penUnit_;
    int penWidth_ = 1;
    QPoint last_;
};

// A frame as the main picture shows it: decoded from its file, brightened when asked.
QImage framePicture(const Recording& recording, int frame, BrightnessMode mode) {
    const std::string bytes = ReadRegularFile(recording.framePath(frame), kMaxPictureFileBytes);
    QImage image =
        QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "JPG");
    if (image.isNull() || mode == BrightnessMode::Standard) return image;
    image = image.convertToFormat(QImage::Format_BGR888);
    BrightenPicture(image.bits(), static_cast<std::size_t>(image.bytesPerLine()),
                    static_cast<std::size_t>(image.height()), mode == BrightnessMode::X20);
    return image;
}

class Pages {
public:
    Pages(QPainter& painter, QPagedPaintDevice& device, const Recording& recording, const ReportContent& content,
          const ReportLook& look)
        : p_(painter),
          device_(device),
          recording_(recording),
          c_(content),
          look_(look),
          dpmm_(device.logicalDpiX() / 25.4),
          total_(ReportPageCount(content)) {}

    bool paint(std::string& error) {
        firstPage();
        footer();
        tablePages();
        filePages();
        if (page_ != total_) {
            error = "page count mismatch";
            return false;
        }
        return true;
    }

private:
    double mm(double v) const { return v * dpmm_; }
    QRectF box(double x, double y, double w, double h) const { return {mm(x), mm(y), mm(w), mm(h)}; }

    void text(double x, double y, double w, double h, const QString& s, const QFont& font,
              int flags = Qt::AlignLeft | Qt::AlignVCenter, QColor colour = Qt::black) {
        p_.setFont(font);
        p_.setPen(colour);
        p_.drawText(box(x, y, w, h), flags, s);
    }

    void newPage() {
        device_.newPage();
        footer();
    }

    void footer() {
        ++page_;
        p_.setPen(QPen(Qt::gray, mm(0.2)));
        p_.drawLine(QPointF(mm(kMargin), mm(kFooterTop)), QPointF(mm(kPageWidth - kMargin), mm(kFooterTop)));
        const QFont font = reportFont(7);
        text(kMargin, kFooterTop + 1, kContentWidth / 2, 5, ReportProgramLine(), font);
        text(kMargin, kFooterTop + 1, kContentWidth, 5,
             "作成日時 " + look_.madeAt.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")), font,
             Qt::AlignHCenter | Qt::AlignVCenter);
        text(kMargin, kFooterTop + 1, kContentWidth, 5, QStringLiteral("%1 / %2").arg(page_).arg(total_), font,
             Qt::AlignRight | Qt::AlignVCenter);
    }

    void sectionTitle(double y, const QString& title) {
        text(kMargin, y, kContentWidth, 6, title, reportFont(11, true));
        p_.setPen(QPen(Qt::black, mm(0.3)));
        p_.drawLine(QPointF(mm(kMargin), mm(y + 6.5)), QPointF(mm(kPageWidth - kMargin), mm(y + 6.5)));
    }

    void firstPage() {
        double y = kMargin;
        text(kMargin, y, kContentWidth, 9, q(kTitle), reportFont(17, true), Qt::AlignHCenter | Qt::AlignVCenter);
        y += 12;

        const std::pair<QString, QString> heading[] = {
            {QStringLiteral("記録フォルダー"), q(c_.folderName)},
            {q(c_.clockLabel), q(c_.clock) + QStringLiteral("（レコーダーの時計）")},
            {QStringLiteral("トリガー種別"),
             q(c_.triggerKind) +
                 (c_.triggerFrame ? QStringLiteral("（フレーム %1）").arg(*c_.triggerFrame) : QString())},
            {QStringLiteral("フレームレート・画質"),
             q(c_.frameRate) + QStringLiteral("、%1 フレーム").arg(c_.frameCount)},
        };
        const QFont label = reportFont(9, true), value = reportFont(9);
        for (const auto& [l, v] : heading) {
            text(kMargin, y, 40, 5, l, label);
            text(kMargin + 40, y, kContentWidth - 40, 5, v, value);
            y += 5;
        }
        if (!c_.note.empty()) {
            y += 1;
            text(kMargin, y, 40, 5, QStringLiteral("備考"), label);
            p_.setFont(value);
            const QRectF area = box(kMargin + 40, y + 0.6, kContentWidth - 40, 16);
            const QRectF used = p_.boundingRect(area, Qt::TextWordWrap, q(c_.note));
            p_.save();
            p_.setClipRect(area);
            p_.drawText(area, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, q(c_.note));
            p_.restore();
            y += std::min(16.0, used.height() / dpmm_) + 1.5;
        }
        y += 2;
        y = frames(y);
        y = chart(y + 2);
        y = figures(y + 2);
        if (look_.paintMap) map(y + 2);
    }

    double frames(double y) {
        sectionTitle(y, QStringLiteral("トリガー前後の画像"));
        y += 9;
        const int count = std::max<int>(1, static_cast<int>(c_.frames.size()));
        const double gap = 2.5;
        const double w = (kContentWidth - gap * (count - 1)) / count;
        const double h = std::min(w * 3 / 4, 40.0);
        const double pw = h * 4 / 3;
        const QFont caption = reportFont(6.5), strong = reportFont(6.5, true);
        for (int i = 0; i < static_cast<int>(c_.frames.size()); ++i) {
            const ReportFrame& f = c_.frames[static_cast<std::size_t>(i)];
            const double x = kMargin + i * (w + gap) + (w - pw) / 2;
            const QRectF area = box(x, y, pw, h);
            const QImage picture = framePicture(recording_, f.frame, look_.brightness);
            if (picture.isNull()) {
                p_.fillRect(area, QColor(60, 60, 60));
                text(x, y, pw, h, QStringLiteral("画像を読めません"), caption, Qt::AlignCenter, Qt::white);
            } else {
                p_.drawImage(area, picture);
            }
            if (f.trigger) {
                p_.setPen(QPen(Qt::red, mm(0.8)));
                p_.setBrush(Qt::NoBrush);
                p_.drawRect(area.adjusted(-mm(0.4), -mm(0.4), mm(0.4), mm(0.4)));
            }
            double cy = y + h + 1;
            text(x, cy, pw, 3.2, q(f.frameText) + (f.trigger ? QStringLiteral("（トリガー）") : QString()),
                 f.trigger ? strong : caption, Qt::AlignLeft | Qt::AlignVCenter, f.trigger ? Qt::red : Qt::black);
            for (const std::string& line : {f.clock, f.speed, f.passTime}) {
                if (line.empty()) continue;
                cy += 3.2;
                text(x, cy, pw, 3.2, q(line), caption);
            }
        }
        return y + h + 1 + 4 * 3.2 + 1;
    }

    double chart(double y) {
        sectionTitle(y, QStringLiteral("グラフ（記録全体）"));
        y += 9;
        ChartModel model;
        model.setGraphWidth(static_cast<std::int64_t>(std::min(recording_.frameCount(), kGraphSampleCount)) *
                            kUnitsPerFrame);
        model.SetUpGraphs(recording_.state);
        for (int i = 0; i <= 3; ++i) model.ShowChannel(i);
        model.RedrawGraphs(recording_.state);
        const ChartPicture& picture = *model.picture();
        const double h = 46;
        const QRectF area = box(kMargin, y, kContentWidth, h);
        p_.save();
        p_.setClipRect(area);
        p_.fillRect(area, Qt::black);
        // The plot of this recording fills the width, however short it is, with the margin the
        // screen's canvas leaves right of its last frame.
        const int frames = std::max(1, std::min(recording_.frameCount(), kGraphSampleCount));
        const double unitsWide =
            std::min<double>(picture.canvasWidth, picture.state.OriginX + double(frames) * kUnitsPerFrame + 295);
        PainterCanvas canvas(p_, area, unitsWide, picture.canvasHeight, mm(0.18));
        PaintGraphs(canvas, picture.state, picture.samples, picture.triggerPosition);
        p_.restore();
        // The legend in the channels' own colours, on a grey ground so that white shows.
        double x = kMargin;
        const QFont font = reportFont(7);
        for (int i = 0; i <= 3; ++i) {
            const Rgb colour = picture.state.ChannelColour[static_cast<std::size_t>(i)];
            p_.fillRect(box(x, y + h + 1.2, 3, 2.2), QColor(colour.r, colour.g, colour.b));
            p_.setPen(QPen(Qt::black, mm(0.1)));
            p_.drawRect(box(x, y + h + 1.2, 3, 2.2));
            text(x + 4, y + h + 0.5, 40, 3.6, QString::fromUtf8(ChannelCaption(i)), font);
            x += 34;
        }
        text(x, y + h + 0.5, kPageWidth - kMargin - x, 3.6, QStringLiteral("赤線 ±0.3 G、黄色の印 トリガー"), font);
        return y + h + 5;
    }

    double figures(double y) {
        sectionTitle(y, QStringLiteral("主な数値"));
        y += 9;
        const QFont label = reportFont(8.5, true), value = reportFont(8.5);
        for (const KeyFigure& f : c_.figures) {
            text(kMargin, y, 52, 4.6, q(f.label), label);
            text(kMargin + 52, y, kContentWidth - 52, 4.6, q(f.value), value);
            y += 4.6;
        }
        return y;
    }

    void map(double y) {
        const double bottom = kFooterTop - 3;
        if (bottom - y < 30) return;
        sectionTitle(y, QStringLiteral("走行経路"));
        y += 9;
        // The map's own shape, at full size when there is room, smaller under a long note.
        const double fullW = kReportMapWidth * kReportMapPixelMm, fullH = kReportMapHeight * kReportMapPixelMm;
        const double scale = std::min(1.0, (bottom - y - 4) / fullH);
        const double w = fullW * scale, h = fullH * scale;
        const QRectF area = box(kMargin + (kContentWidth - w) / 2, y, w, h);
        p_.save();
        p_.setClipRect(area);
        const QString caption = look_.paintMap(p_, area);
        p_.restore();
        p_.setPen(QPen(Qt::black, mm(0.2)));
        p_.setBrush(Qt::NoBrush);
        p_.drawRect(area);
        if (!caption.isEmpty()) text(kMargin, y + h + 0.3, kContentWidth, 3.5, caption, reportFont(6.5));
    }

    void tableHeader(double y, const std::vector<std::pair<double, QString>>& columns) {
        p_.fillRect(box(kMargin, y, kContentWidth, kTableRowHeight), QColor(225, 225, 225));
        for (const auto& [x, title] : columns) text(kMargin + x, y, 60, kTableRowHeight, title, reportFont(7, true));
    }

    void tablePages() {
        const int per = rowsPerPage(kTableRowHeight);
        const std::vector<std::pair<double, QString>> columns = {
            {0, QStringLiteral("フレーム")},   {13, QStringLiteral("ファイル名")}, {42, QStringLiteral("時刻")},
            {70, QStringLiteral("速度")},      {86, QStringLiteral("前後G")},      {100, QStringLiteral("左右G")},
            {114, QStringLiteral("ブレーキ")}, {127, QStringLiteral("位置")}};
        const QFont font = reportFont(7), fixed = fixedFont(7);
        for (std::size_t start = 0; start < c_.rows.size(); start += static_cast<std::size_t>(per)) {
            newPage();
            sectionTitle(kMargin, QStringLiteral("フレーム一覧（%1 フレーム）").arg(c_.rows.size()));
            double y = kBodyTop;
            tableHeader(y, columns);
            for (std::size_t i = start; i < std::min(c_.rows.size(), start + static_cast<std::size_t>(per)); ++i) {
                y += kTableRowHeight;
                const ReportRow& r = c_.rows[i];
                if (c_.triggerFrame == r.frame)
                    p_.fillRect(box(kMargin, y, kContentWidth, kTableRowHeight), QColor(255, 225, 225));
                else if (i % 2) p_.fillRect(box(kMargin, y, kContentWidth, kTableRowHeight), QColor(245, 245, 245));
                const QString cells[] = {QString::number(r.frame), q(r.fileName),     q(r.clock), q(r.speed),
                                         q(r.accelLongitudinal),   q(r.accelLateral), q(r.brake), q(r.position)};
                for (std::size_t k = 0; k < columns.size(); ++k) {
                    const double x = columns[k].first;
                    const double w = (k + 1 < columns.size() ? columns[k + 1].first : kContentWidth) - x - 1;
                    p_.setFont(k == 1 ? font : fixed);
                    p_.setPen(Qt::black);
                    p_.drawText(box(kMargin + x, y, w, kTableRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                                p_.fontMetrics().elidedText(cells[k], Qt::ElideMiddle, static_cast<int>(mm(w))));
                }
            }
        }
    }

    void filePages() {
        const int per = rowsPerPage(kFileRowHeight);
        const std::vector<std::pair<double, QString>> columns = {{0, QStringLiteral("ファイル名")},
                                                                 {40, QStringLiteral("サイズ（バイト）")},
                                                                 {66, QStringLiteral("SHA-256")}};
        const QFont font = reportFont(7), fixed = fixedFont(6.6);
        for (std::size_t start = 0; start < c_.files.size(); start += static_cast<std::size_t>(per)) {
            newPage();
            sectionTitle(kMargin, QStringLiteral("元のファイル（%1 個）とその SHA-256").arg(c_.files.size()));
            double y = kBodyTop;
            tableHeader(y, columns);
            for (std::size_t i = start; i < std::min(c_.files.size(), start + static_cast<std::size_t>(per)); ++i) {
                y += kFileRowHeight;
                const ReportFile& f = c_.files[i];
                if (i % 2) p_.fillRect(box(kMargin, y, kContentWidth, kFileRowHeight), QColor(245, 245, 245));
                p_.setFont(font);
                p_.setPen(Qt::black);
                p_.drawText(box(kMargin, y, 39, kFileRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                            p_.fontMetrics().elidedText(q(f.name), Qt::ElideMiddle, static_cast<int>(mm(39))));
                text(kMargin + 40, y, 22, kFileRowHeight, QString::number(f.size), fixed,
                     Qt::AlignRight | Qt::AlignVCenter);
                text(kMargin + 66, y, kContentWidth - 66, kFileRowHeight,
                     f.sha256.empty() ? QStringLiteral("読み取れません：") + q(f.error) : q(f.sha256), fixed);
            }
        }
    }

    QPainter& p_;
    QPagedPaintDevice& device_;
    const Recording& recording_;
    const ReportContent& c_;
    const ReportLook& look_;
    double dpmm_;
    int total_;
    int page_ = 0;
};

}  // namespace

QString ReportProgramLine() {
    return QString::fromUtf8(kProgramName) + QLatin1Char(' ') + QLatin1String(ProgramVersion());
}

int ReportPageCount(const ReportContent& content) {
    return 1 + pagesFor(content.rows.size(), kTableRowHeight) + pagesFor(content.files.size(), kFileRowHeight);
}

bool PaintReport(QPagedPaintDevice& device, const Recording& recording, const ReportContent& content,
                 const ReportLook& look, std::string& error) {
    QPainter painter;
    if (!painter.begin(&device)) {
        error = "cannot paint the pages";
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    Pages pages(painter, device, recording, content, look);
    const bool ok = pages.paint(error);
    return painter.end() && ok;
}

std::optional<QByteArray> ReportPdf(const Recording& recording, const ReportContent& content, const ReportLook& look,
                                    std::string& error) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setResolution(300);
        writer.setCreator(ReportProgramLine());
        writer.setTitle(QString::fromUtf8(kTitle) + QStringLiteral(" ") + QString::fromStdString(content.folderName));
        if (!PaintReport(writer, recording, content, look, error)) return std::nullopt;
    }
    if (bytes.isEmpty()) {
        error = "the PDF is empty";
        return std::nullopt;
    }
    return bytes;
}

}  // namespace drv

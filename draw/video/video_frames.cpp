#include "draw/video/video_frames.h"

#include <QPainter>

#include "core/common/file_read.h"
#include "draw/common/brightened_picture.h"
#include "draw/common/ui_font.h"

namespace drv {

namespace {

QString text(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

// Sizes for a 640-pixel picture watched on a phone: the smallest text is 1/24 of the height.
constexpr int kBandHeight = 68;
constexpr int kTextPx = 20;
constexpr int kSpeedPx = 26;
constexpr int kMargin = 10;
constexpr int kColumns[3] = {kMargin, 268, 486};

}  // namespace

QImage VideoPicture(QImage decoded, BrightnessMode mode) {
    if (decoded.isNull()) return decoded;
    QImage picture = BrightenedPicture(std::move(decoded), mode);
    if (picture.size() != QSize(kVideoWidth, kVideoHeight))
        picture = picture.scaled(kVideoWidth, kVideoHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (picture.format() != QImage::Format_RGB32) picture.convertTo(QImage::Format_RGB32);
    return picture;
}

void PaintOverlay(QImage& picture, const OverlayTexts& t) {
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const int top = picture.height() - kBandHeight;
    p.fillRect(QRect(0, top, picture.width(), kBandHeight), QColor(0, 0, 0, 215));

    const int rowHeight = kBandHeight / 2;
    auto cell = [&](int column, int row, int width = 0) {
        const int left = kColumns[column];
        const int right = width > 0 ? left + width : (column < 2 ? kColumns[column + 1] - 6 : picture.width() - kMargin);
        return QRect(left, top + row * rowHeight, right - left, rowHeight);
    };
    auto write = [&](const QRect& box, const QString& s, int px, QColor colour = Qt::white,
                     Qt::Alignment align = Qt::AlignLeft) {
        p.setFont(JapaneseUiFont(px, true));
        p.setPen(colour);
        p.drawText(box, static_cast<int>(align | Qt::AlignVCenter), s);
    };

    write(cell(0, 0), text(t.dateTime), kTextPx);
    write(cell(1, 0), text(t.speed), kSpeedPx, QColor(255, 255, 255), Qt::AlignLeft);
    if (t.brakeShown) {
        // The panel's colours: yellow on red when on, on light cyan when off.
        const QRect box = cell(2, 0).adjusted(0, 4, 0, -3);
        p.setPen(Qt::NoPen);
        p.setBrush(t.brakeOn ? QColor(255, 0, 0) : QColor(192, 255, 255));
        p.drawRoundedRect(box, 4, 4);
        write(box, text(t.brake), kTextPx - 2, t.brakeOn ? QColor(255, 255, 0) : QColor(0, 0, 0), Qt::AlignCenter);
    }
    write(cell(0, 1), QStringLiteral("前後 %1  左右 %2").arg(text(t.accelLongitudinal), text(t.accelLateral)), kTextPx - 2);
    write(cell(1, 1), text(t.passTime), kTextPx - 2, t.triggerFrame ? QColor(255, 80, 80) : QColor(255, 255, 255));
    write(cell(2, 1), text(t.triggerKind), kTextPx - 2);

    if (t.triggerFrame) {
        constexpr int kBorder = 6;
        p.setPen(QPen(QColor(255, 0, 0), kBorder, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(kBorder / 2.0, kBorder / 2.0, picture.width() - kBorder, picture.height() - kBorder));
        const QRect tag(kBorder + 6, kBorder + 6, 112, 34);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 0, 0));
        p.drawRect(tag);
        write(tag, QStringLiteral("トリガー"), kSpeedPx - 2, Qt::white, Qt::AlignCenter);
    }
}

namespace {

VideoCanvas canvasOf(QImage picture) {
    if (picture.isNull()) return {};
    auto owner = std::make_shared<QImage>(std::move(picture));
    VideoCanvas canvas;
    canvas.pixels = owner->bits();
    canvas.stride = static_cast<std::size_t>(owner->bytesPerLine());
    canvas.width = owner->width();
    canvas.height = owner->height();
    canvas.owner = std::move(owner);
    return canvas;
}

}  // namespace

VideoDrawing QtVideoDrawing() {
    VideoDrawing d;
    d.picture = [](const std::filesystem::path& file, BrightnessMode mode) {
        const std::string bytes = ReadRegularFile(file, kMaxPictureFileBytes);
        QImage decoded;
        if (!bytes.empty()) decoded.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
        VideoCanvas canvas = canvasOf(VideoPicture(std::move(decoded), mode));
        if (!canvas && bytes.empty()) canvas.gone = FrameFileGone(file);
        return canvas;
    };
    d.black = [] {
        QImage picture(kVideoWidth, kVideoHeight, QImage::Format_RGB32);
        picture.fill(Qt::black);
        return canvasOf(std::move(picture));
    };
    d.band = [](VideoCanvas& canvas, const OverlayTexts& texts) {
        QImage view(canvas.pixels, canvas.width, canvas.height, static_cast<qsizetype>(canvas.stride),
                    QImage::Format_RGB32);
        PaintOverlay(view, texts);
    };
    return d;
}

}  // namespace drv

#include "draw/video/video_frames.h"

#include <QPainter>

#include "core/picture/jpeg_decoder.h"
#include "draw/common/brightened_picture.h"
#include "draw/common/ui_font.h"

namespace drv {

namespace {

QString text(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

// Sizes for a 640-pixel picture watched on a phone. Three rows of text fill the band; the
// speed, the value people look for first, takes two of them.
constexpr int kBandHeight = kVideoBandHeight;
constexpr int kTextPx = 17;
constexpr int kSpeedPx = 26;
constexpr int kTagPx = 24;
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

    const int rowHeight = kBandHeight / 3;
    auto cell = [&](int column, int row, int rows = 1) {
        const int left = kColumns[column];
        const int right = column < 2 ? kColumns[column + 1] - 6 : picture.width() - kMargin;
        return QRect(left, top + 1 + row * rowHeight, right - left, rows * rowHeight);
    };
    auto write = [&](const QRect& box, const QString& s, int px, QColor colour = Qt::white,
                     Qt::Alignment align = Qt::AlignLeft) {
        p.setFont(JapaneseUiFont(px, true));
        p.setPen(colour);
        p.drawText(box, static_cast<int>(align | Qt::AlignVCenter), s);
    };

    write(cell(0, 0), text(t.dateTime), kTextPx);
    write(cell(0, 1), QStringLiteral("前後 %1  左右 %2").arg(text(t.accelLongitudinal), text(t.accelLateral)), kTextPx);
    write(cell(0, 2), text(t.position), kTextPx);
    write(cell(1, 0, 2), text(t.speed), kSpeedPx);
    write(cell(1, 2), text(t.passTime), kTextPx, t.triggerFrame ? QColor(255, 80, 80) : QColor(255, 255, 255));
    if (t.brakeShown) {
        // The panel's colours: yellow on red when on, on light cyan when off.
        const QRect box = cell(2, 0).adjusted(0, 1, 0, -1);
        p.setPen(Qt::NoPen);
        p.setBrush(t.brakeOn ? QColor(255, 0, 0) : QColor(192, 255, 255));
        p.drawRoundedRect(box, 4, 4);
        write(box, text(t.brake), kTextPx - 2, t.brakeOn ? QColor(255, 255, 0) : QColor(0, 0, 0), Qt::AlignCenter);
    }
    write(cell(2, 1), text(t.triggerKind), kTextPx);

    auto tag = [&](const QRect& box, const QString& caption, QColor fill) {
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRect(box);
        write(box, caption, kTagPx, Qt::white, Qt::AlignCenter);
    };
    constexpr int kBorder = 6;
    if (t.triggerMark) {
        p.setPen(QPen(QColor(255, 0, 0), kBorder, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(kBorder / 2.0, kBorder / 2.0, picture.width() - kBorder, picture.height() - kBorder));
        tag(QRect(kBorder + 6, kBorder + 6, 112, 34), QStringLiteral("トリガー"), QColor(255, 0, 0));
    }
    if (t.noPicture)
        tag(QRect(picture.width() - kBorder - 6 - 124, kBorder + 6, 124, 34), QStringLiteral("画像なし"),
            QColor(80, 80, 80));
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
    d.picture = [](std::span<const std::uint8_t> bytes, BrightnessMode mode) {
        // The frames' one bounded decoder: a hostile picture costs milliseconds and no more
        // memory than the video's own size (large pictures are scaled down while decoding).
        PictureRequest wanted;
        wanted.atLeastWidth = kVideoWidth;
        wanted.atLeastHeight = kVideoHeight;
        auto* held = new DecodedPicture(DecodeJpeg(bytes, wanted));
        QImage decoded;
        if (held->ok())  // the pixels stay where the decoder put them; the image frees them
            decoded = QImage(
                held->pixels.data(), held->width, held->height, static_cast<qsizetype>(held->bytesPerRow),
                QImage::Format_RGB32, [](void* p) { delete static_cast<DecodedPicture*>(p); }, held);
        else delete held;
        return canvasOf(VideoPicture(std::move(decoded), mode));
    };
    d.band = [](VideoCanvas& canvas, const OverlayTexts& texts) {
        QImage view(canvas.pixels, canvas.width, canvas.height, static_cast<qsizetype>(canvas.stride),
                    QImage::Format_RGB32);
        PaintOverlay(view, texts);
    };
    return d;
}

}  // namespace drv

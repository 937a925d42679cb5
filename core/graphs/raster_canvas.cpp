#include "core/graphs/raster_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace drv {

std::int64_t unitsToPixel(std::int64_t v, std::int32_t unitsPerPixel) {
    const std::int64_t q = v / unitsPerPixel;
    return (v % unitsPerPixel != 0 && v < 0) ? q - 1 : q;
}

std::int32_t unitsToPixelExtent(std::int64_t extent, std::int32_t unitsPerPixel) {
    if (extent <= 0) return 0;
    return static_cast<std::int32_t>(std::min<std::int64_t>((extent + unitsPerPixel - 1) / unitsPerPixel, 1 << 20));
}

PixelSpan verticalLinePixels(std::int32_t x, std::int32_t y1, std::int32_t y2, std::int32_t unitsPerPixel) {
    const std::int64_t px = unitsToPixel(x, unitsPerPixel);
    const std::int64_t a = unitsToPixel(y1, unitsPerPixel);
    const std::int64_t b = unitsToPixel(y2, unitsPerPixel);
    return {px, std::min(a, b), px, std::max(a, b)};
}

RasterCanvas::RasterCanvas(std::uint32_t* pixels, int width, int height, std::size_t strideWords,
                           std::int32_t unitsPerPixel)
    : pixels_(pixels),
      width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      stride_(strideWords),
      unitsPerPixel_(unitsPerPixel > 0 ? unitsPerPixel : 1) {}

void RasterCanvas::setPenWidth(int width) { penWidth_ = std::clamp(width, 1, 8); }

void RasterCanvas::clear(Rgb colour) { fillPixels(0, 0, width_ - 1, height_ - 1, toPixel(colour)); }

void RasterCanvas::fillPixels(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::uint32_t value) {
    x1 = std::max<std::int64_t>(x1, 0);
    y1 = std::max<std::int64_t>(y1, 0);
    x2 = std::min<std::int64_t>(x2, width_ - 1);
    y2 = std::min<std::int64_t>(y2, height_ - 1);
    if (x1 > x2 || y1 > y2) return;
    for (std::int64_t y = y1; y <= y2; ++y) {
        std::uint32_t* row = pixels_ + static_cast<std::size_t>(y) * stride_;
        std::fill(row + x1, row + x2 + 1, value);
    }
}

// A pen of width w covers w x w pixels starting at the point's pixel.
void RasterCanvas::stamp(std::int64_t px, std::int64_t py, std::uint32_t value) {
    if (penWidth_ == 1) {
        if (px >= 0 && py >= 0 && px < width_ && py < height_)
            pixels_[static_cast<std::size_t>(py) * stride_ + static_cast<std::size_t>(px)] = value;
        return;
    }
    fillPixels(px, py, px + penWidth_ - 1, py + penWidth_ - 1, value);
}

void RasterCanvas::pixelLine(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::uint32_t value) {
    if (x1 == x2 || y1 == y2) {  // the common case: grid ticks, markers, reference lines
        fillPixels(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + penWidth_ - 1,
                   std::max(y1, y2) + penWidth_ - 1, value);
        return;
    }
    // Far-off endpoints (a corrupt sample) are pulled to the edge of the buffer first, so the
    // walk below stays as short as the visible part of the line.
    const double margin = penWidth_ + 2.0;
    const double lo_x = -margin, hi_x = width_ + margin, lo_y = -margin, hi_y = height_ + margin;
    double t0 = 0.0, t1 = 1.0;
    const double dx = static_cast<double>(x2 - x1), dy = static_cast<double>(y2 - y1);
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - lo_x, hi_x - x1, y1 - lo_y, hi_y - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return;
    }
    if (t0 > 0.0 || t1 < 1.0) {
        const std::int64_t nx1 = std::llround(x1 + t0 * dx), ny1 = std::llround(y1 + t0 * dy);
        const std::int64_t nx2 = std::llround(x1 + t1 * dx), ny2 = std::llround(y1 + t1 * dy);
        x1 = nx1, y1 = ny1, x2 = nx2, y2 = ny2;
    }
    // Bresenham, both ends included.
    const std::int64_t ax = std::llabs(x2 - x1), ay = -std::llabs(y2 - y1);
    const std::int64_t sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    std::int64_t err = ax + ay;
    for (;;) {
        stamp(x1, y1, value);
        if (x1 == x2 && y1 == y2) break;
        const std::int64_t e2 = 2 * err;
        if (e2 >= ay) {
            err += ay;
            x1 += sx;
        }
        if (e2 <= ax) {
            err += ax;
            y1 += sy;
        }
    }
}

void RasterCanvas::point(std::int32_t x, std::int32_t y, Rgb colour) {
    stamp(unitsToPixel(x, unitsPerPixel_), unitsToPixel(y, unitsPerPixel_), toPixel(colour));
    lastX_ = x;
    lastY_ = y;
}

void RasterCanvas::lineTo(std::int32_t x, std::int32_t y, Rgb colour) { line(lastX_, lastY_, x, y, colour); }

void RasterCanvas::line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb colour) {
    pixelLine(unitsToPixel(x1, unitsPerPixel_), unitsToPixel(y1, unitsPerPixel_), unitsToPixel(x2, unitsPerPixel_),
              unitsToPixel(y2, unitsPerPixel_), toPixel(colour));
    lastX_ = x2;
    lastY_ = y2;
}

void RasterCanvas::rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb colour) {
    const std::uint32_t v = toPixel(colour);
    const std::int64_t px1 = unitsToPixel(x1, unitsPerPixel_), py1 = unitsToPixel(y1, unitsPerPixel_);
    const std::int64_t px2 = unitsToPixel(x2, unitsPerPixel_), py2 = unitsToPixel(y2, unitsPerPixel_);
    pixelLine(px1, py1, px2, py1, v);
    pixelLine(px2, py1, px2, py2, v);
    pixelLine(px1, py2, px2, py2, v);
    pixelLine(px1, py1, px1, py2, v);
    lastX_ = x2;
    lastY_ = y2;
}

void RasterCanvas::fillRectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb colour) {
    const std::int64_t px1 = unitsToPixel(x1, unitsPerPixel_), py1 = unitsToPixel(y1, unitsPerPixel_);
    const std::int64_t px2 = unitsToPixel(x2, unitsPerPixel_), py2 = unitsToPixel(y2, unitsPerPixel_);
    fillPixels(std::min(px1, px2), std::min(py1, py2), std::max(px1, px2), std::max(py1, py2), toPixel(colour));
    lastX_ = x2;
    lastY_ = y2;
}

}  // namespace drv

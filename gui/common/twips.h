#pragma once
// Window layouts are given in twips; on screen 15 twips make one logical pixel (96 dpi).
#include <QRect>

#include "core/common/numbers.h"

namespace drv {

inline constexpr int kTwipsPerPixel = 15;

// The nearest pixel. Whole twips never fall on a tie (15 is odd); the thumbnail list's
// computed picture boxes are fractions and round ties to even.
inline int TwipsToPixels(double twips) { return RoundToInt32(twips / kTwipsPerPixel); }

// Rounds the edges rather than the size, so that neighbours laid out edge to edge in
// twips stay edge to edge in pixels.
inline QRect TwipsRect(double left, double top, double width, double height) {
    const int x = TwipsToPixels(left), y = TwipsToPixels(top);
    return QRect(x, y, TwipsToPixels(left + width) - x, TwipsToPixels(top + height) - y);
}

// Rounds position and size each on its own: the chart is laid out this way, and rounding its
// right edge instead would make it a pixel wider.
inline QRect TwipsRectOfSize(double left, double top, double width, double height) {
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

}  // namespace drv

#pragma once
// Window layouts are given in twips; on screen 15 twips make one logical pixel (96 dpi).
#include <QRect>

#include "core/common/numbers.h"

namespace drv {

inline constexpr int kTwipsPerPixel = 15;

inline int TwipsToPixels(int twips) { return RoundToInt32(static_cast<double>(twips) / kTwipsPerPixel); }

// Rounds the edges rather than the size, so that neighbours laid out edge to edge in
// twips stay edge to edge in pixels.
inline QRect TwipsRect(int left, int top, int width, int height) {
    const int x = TwipsToPixels(left), y = TwipsToPixels(top);
    return QRect(x, y, TwipsToPixels(left + width) - x, TwipsToPixels(top + height) - y);
}

}  // namespace drv

#pragma once
// Brightening of dark footage: a YCbCr transform that scales luminance and boosts chroma.
#include <cstddef>
#include <cstdint>

namespace drv {

enum class BrightnessMode { Standard, X15, X20 };

// Rewrites rows of blue-green-red pixels in place. `bytesPerRow` may exceed
// 3 x width (padding); a partial pixel at the end of a row is left alone.
// x2: the x2.0 factor set, else the x1.5 set.
// Main picture: 32-bit float arithmetic, each formula evaluated in higher precision.
void BrightenPicture(std::uint8_t* buffer, std::size_t bytesPerRow, std::size_t rows, bool x2);
// Picture window: integer arithmetic, each formula result rounded (ties to even).
void BrightenPictureInteger(std::uint8_t* buffer, std::size_t bytesPerRow, std::size_t rows, bool x2);

}  // namespace drv

#include "core/viewer/brightness.h"

#include <array>
#include <cmath>

#include "core/common/numbers.h"

namespace drv {
namespace {

// Luminance factor and the chroma factors of one set: R' = ky*Y + crR*Cr,
// G' = ky*Y - cbG*Cb - crG*Cr, B' = ky*Y + cbB*Cb.
struct FactorSet {
    double ky, crR, cbG, crG, cbB;
};
constexpr FactorSet kSet15{1.6, 1.682, 0.412, 0.856, 2.126};
constexpr FactorSet kSet20{2.0, 1.682, 0.481, 0.856, 2.48};

// The documented arithmetic, one pixel at a time: bytes, Y, Cb, Cr and results
// held as 32-bit floats, each formula evaluated in double and stored to float.
inline void brightenPixelFloat(std::uint8_t* p, const FactorSet& f) {
    const float b = p[0], g = p[1], r = p[2];
    const float y = static_cast<float>(0.299 * r + 0.587 * g + 0.114 * b);
    const float cb = static_cast<float>(-0.169 * r - 0.332 * g + 0.5 * b);
    const float cr = static_cast<float>(0.5 * r - 0.419 * g - 0.081 * b);
    float out[3] = {
        static_cast<float>(f.ky * y + f.cbB * cb),                  // blue
        static_cast<float>(f.ky * y - f.cbG * cb - f.crG * cr),     // green
        static_cast<float>(f.ky * y + f.crR * cr),                  // red
    };
    for (int i = 0; i < 3; ++i) {
        float v = out[i];
        if (v < 0.0f) v = 0.0f;
        if (v > 255.0f) v = 255.0f;
        p[i] = static_cast<std::uint8_t>(RoundHalfEven(v));
    }
}

// Fast path. Until the final rounding each result is linear in blue, green and red,
// so it is the sum of three table entries in 16.16 fixed point. The tables carry a
// bias of 512 (results never go below -318) and +0.5, so that the integer part of
// the sum is floor(x + 0.5) + 512. That equals the ties-to-even rounding of the
// float pipeline unless x lies close to k + 0.5, where table error (<= 1.5 units of
// 2^-16) and float error (< 7 units) could decide the side; those pixels take the
// exact path. Clamping commutes with rounding, so it is applied to the integer.
constexpr int kFracBits = 16;
constexpr std::int32_t kBias = 512;
constexpr std::int32_t kTieGuard = 16;  // units of 2^-16 on either side of a tie

struct Tables {
    // [output channel b,g,r][input channel b,g,r][byte value]
    std::int32_t t[3][3][256];
};

Tables makeTables(const FactorSet& f) {
    // Coefficients of Y, Cb and Cr on the inputs blue, green, red.
    const double yc[3] = {0.114, 0.587, 0.299};
    const double cbc[3] = {0.5, -0.332, -0.169};
    const double crc[3] = {-0.081, -0.419, 0.5};
    double coef[3][3];
    for (int i = 0; i < 3; ++i) {
        coef[0][i] = f.ky * yc[i] + f.cbB * cbc[i];
        coef[1][i] = f.ky * yc[i] - f.cbG * cbc[i] - f.crG * crc[i];
        coef[2][i] = f.ky * yc[i] + f.crR * crc[i];
    }
    Tables tables{};
    const double scale = static_cast<double>(1 << kFracBits);
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < 3; ++i) {
            for (int v = 0; v < 256; ++v) {
                double entry = coef[k][i] * v * scale;
                if (i == 0) entry += (kBias + 0.5) * scale;
                tables.t[k][i][v] = static_cast<std::int32_t>(std::llround(entry));
            }
        }
    }
    return tables;
}

const Tables& tablesFor(bool x2) {
    static const Tables t15 = makeTables(kSet15);
    static const Tables t20 = makeTables(kSet20);
    return x2 ? t20 : t15;
}

inline std::uint8_t clampByte(std::int32_t v) {
    v = v < 0 ? 0 : v;
    v = v > 255 ? 255 : v;
    return static_cast<std::uint8_t>(v);
}

void brightenRowFast(std::uint8_t* row, std::size_t pixels, const Tables& tb, const FactorSet& f) {
    constexpr std::int32_t fracMask = (1 << kFracBits) - 1;
    for (std::size_t n = 0; n < pixels; ++n) {
        std::uint8_t* p = row + 3 * n;
        const unsigned b = p[0], g = p[1], r = p[2];
        const std::int32_t sb = tb.t[0][0][b] + tb.t[0][1][g] + tb.t[0][2][r];
        const std::int32_t sg = tb.t[1][0][b] + tb.t[1][1][g] + tb.t[1][2][r];
        const std::int32_t sr = tb.t[2][0][b] + tb.t[2][1][g] + tb.t[2][2][r];
        // A tie sits at fraction 0 after the +0.5: flag fractions within the guard of it.
        const bool nearTie = (((sb + kTieGuard) & fracMask) < 2 * kTieGuard) |
                             (((sg + kTieGuard) & fracMask) < 2 * kTieGuard) |
                             (((sr + kTieGuard) & fracMask) < 2 * kTieGuard);
        if (nearTie) {
            brightenPixelFloat(p, f);
            continue;
        }
        p[0] = clampByte((sb >> kFracBits) - kBias);
        p[1] = clampByte((sg >> kFracBits) - kBias);
        p[2] = clampByte((sr >> kFracBits) - kBias);
    }
}

}  // namespace

void BrightenPicture(std::uint8_t* buffer, std::size_t bytesPerRow, std::size_t rows, bool x2) {
    if (buffer == nullptr) return;
    const FactorSet& f = x2 ? kSet20 : kSet15;
    const Tables& tb = tablesFor(x2);
    const std::size_t pixels = bytesPerRow / 3;  // a partial pixel at the row end stays as it is
    for (std::size_t y = 0; y < rows; ++y) brightenRowFast(buffer + y * bytesPerRow, pixels, tb, f);
}

void BrightenPictureInteger(std::uint8_t* buffer, std::size_t bytesPerRow, std::size_t rows, bool x2) {
    if (buffer == nullptr) return;
    const FactorSet& f = x2 ? kSet20 : kSet15;
    const std::size_t pixels = bytesPerRow / 3;
    for (std::size_t y = 0; y < rows; ++y) {
        std::uint8_t* row = buffer + y * bytesPerRow;
        for (std::size_t n = 0; n < pixels; ++n) {
            std::uint8_t* p = row + 3 * n;
            const std::int32_t b = p[0], g = p[1], r = p[2];
            const std::int32_t yy = RoundToInt32(0.299 * r + 0.587 * g + 0.114 * b);
            const std::int32_t cb = RoundToInt32(-0.169 * r - 0.332 * g + 0.5 * b);
            const std::int32_t cr = RoundToInt32(0.5 * r - 0.419 * g - 0.081 * b);
            const std::int32_t out[3] = {
                RoundToInt32(f.ky * yy + f.cbB * cb),
                RoundToInt32(f.ky * yy - f.cbG * cb - f.crG * cr),
                RoundToInt32(f.ky * yy + f.crR * cr),
            };
            for (int i = 0; i < 3; ++i) p[i] = clampByte(out[i]);
        }
    }
}

}  // namespace drv

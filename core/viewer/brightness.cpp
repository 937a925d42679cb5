#include "core/viewer/brightness.h"

#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define DRV_BRIGHTEN_SSSE3 1
#endif

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

// The exact arithmetic, one pixel at a time: bytes, Y, Cb, Cr and results held as
// 32-bit floats, each formula evaluated in double and stored to float.
inline void brightenPixelFloat(std::uint8_t* p, const FactorSet& f) {
    const float b = p[0], g = p[1], r = p[2];
    const float y = static_cast<float>(0.299 * r + 0.587 * g + 0.114 * b);
    const float cb = static_cast<float>(-0.169 * r - 0.332 * g + 0.5 * b);
    const float cr = static_cast<float>(0.5 * r - 0.419 * g - 0.081 * b);
    float out[3] = {
        static_cast<float>(f.ky * y + f.cbB * cb),               // blue
        static_cast<float>(f.ky * y - f.cbG * cb - f.crG * cr),  // green
        static_cast<float>(f.ky * y + f.crR * cr),               // red
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

// Coefficients of the results blue, green, red on the inputs blue, green, red.
struct Linear {
    double c[3][3];
};

Linear linearOf(const FactorSet& f) {
    const double yc[3] = {0.114, 0.587, 0.299};
    const double cbc[3] = {0.5, -0.332, -0.169};
    const double crc[3] = {-0.081, -0.419, 0.5};
    Linear l{};
    for (int i = 0; i < 3; ++i) {
        l.c[0][i] = f.ky * yc[i] + f.cbB * cbc[i];
        l.c[1][i] = f.ky * yc[i] - f.cbG * cbc[i] - f.crG * crc[i];
        l.c[2][i] = f.ky * yc[i] + f.crR * crc[i];
    }
    return l;
}

Tables makeTables(const FactorSet& f) {
    const Linear lin = linearOf(f);
    const auto& coef = lin.c;
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

void brightenRowTables(std::uint8_t* row, std::size_t first, std::size_t pixels, const Tables& tb, const FactorSet& f) {
    constexpr std::int32_t fracMask = (1 << kFracBits) - 1;
    for (std::size_t n = first; n < pixels; ++n) {
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

#ifdef DRV_BRIGHTEN_SSSE3
// Vector path, four pixels per step: the three linear sums in 32-bit floats with +0.5,
// truncated, saturated to bytes by the packs. Float error stays below 4e-4 (coefficients
// 3e-5, products and sums 2.7e-4, the exact float arithmetic itself 1e-4), so any
// pixel whose sum lies within 2^-10 of an integer (a tie of the rounding) is redone
// exactly. Negative sums truncate towards zero, which the clamp to 0 absorbs.
struct VectorCoefs {
    float c[3][3];
};

VectorCoefs vectorCoefsOf(const FactorSet& f) {
    const Linear l = linearOf(f);
    VectorCoefs v{};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) v.c[k][i] = static_cast<float>(l.c[k][i]);
    return v;
}

__attribute__((target("ssse3"))) std::size_t brightenRowSsse3(std::uint8_t* row, std::size_t pixels,
                                                              std::size_t rowBytes, const VectorCoefs& vc,
                                                              const FactorSet& f) {
    const __m128i takeB = _mm_setr_epi8(0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1);
    const __m128i takeG = _mm_setr_epi8(1, -1, -1, -1, 4, -1, -1, -1, 7, -1, -1, -1, 10, -1, -1, -1);
    const __m128i takeR = _mm_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1);
    // b0..b3 g0..g3 r0..r3 -> b0 g0 r0 b1 g1 r1 ...
    const __m128i interleave = _mm_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1);
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 lowGuard = _mm_set1_ps(1.0f / 1024);
    const __m128 highGuard = _mm_set1_ps(1.0f - 1.0f / 1024);
    const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    __m128 c[3][3];
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) c[k][i] = _mm_set1_ps(vc.c[k][i]);

    std::size_t n = 0;
    // A step reads 16 bytes from its first pixel and must stay inside the row.
    for (; n + 4 <= pixels && 3 * n + 16 <= rowBytes; n += 4) {
        std::uint8_t* p = row + 3 * n;
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128 b = _mm_cvtepi32_ps(_mm_shuffle_epi8(v, takeB));
        const __m128 g = _mm_cvtepi32_ps(_mm_shuffle_epi8(v, takeG));
        const __m128 r = _mm_cvtepi32_ps(_mm_shuffle_epi8(v, takeR));
        __m128i out[3];
        __m128 nearTie = _mm_setzero_ps();
        for (int k = 0; k < 3; ++k) {
            __m128 x = _mm_mul_ps(c[k][0], b);
            x = _mm_add_ps(x, _mm_mul_ps(c[k][1], g));
            x = _mm_add_ps(x, _mm_mul_ps(c[k][2], r));
            x = _mm_add_ps(x, half);
            out[k] = _mm_cvttps_epi32(x);
            const __m128 frac = _mm_and_ps(_mm_sub_ps(x, _mm_cvtepi32_ps(out[k])), absMask);
            nearTie = _mm_or_ps(nearTie, _mm_or_ps(_mm_cmplt_ps(frac, lowGuard), _mm_cmpgt_ps(frac, highGuard)));
        }
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(out[0], out[1]), _mm_packs_epi32(out[2], out[2]));
        const __m128i pixelsOut = _mm_shuffle_epi8(bytes, interleave);
        const int redo = _mm_movemask_ps(nearTie);
        std::uint8_t original[16];
        if (redo) _mm_storeu_si128(reinterpret_cast<__m128i*>(original), v);
        std::uint8_t result[16];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(result), pixelsOut);
        std::memcpy(p, result, 12);
        if (redo) {
            for (int j = 0; j < 4; ++j) {
                if (!(redo & (1 << j))) continue;
                std::memcpy(p + 3 * j, original + 3 * j, 3);
                brightenPixelFloat(p + 3 * j, f);
            }
        }
    }
    return n;
}

bool hasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

}  // namespace

void BrightenPicture(std::uint8_t* buffer, std::size_t bytesPerRow, std::size_t rows, bool x2) {
    if (buffer == nullptr) return;
    const FactorSet& f = x2 ? kSet20 : kSet15;
    const Tables& tb = tablesFor(x2);
    const std::size_t pixels = bytesPerRow / 3;  // a partial pixel at the row end stays as it is
#ifdef DRV_BRIGHTEN_SSSE3
    if (hasSsse3()) {
        static const VectorCoefs vc15 = vectorCoefsOf(kSet15), vc20 = vectorCoefsOf(kSet20);
        const VectorCoefs& vc = x2 ? vc20 : vc15;
        for (std::size_t y = 0; y < rows; ++y) {
            std::uint8_t* row = buffer + y * bytesPerRow;
            const std::size_t done = brightenRowSsse3(row, pixels, bytesPerRow, vc, f);
            brightenRowTables(row, done, pixels, tb, f);
        }
        return;
    }
#endif
    for (std::size_t y = 0; y < rows; ++y) brightenRowTables(buffer + y * bytesPerRow, 0, pixels, tb, f);
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

#pragma once
// The chart's drawing surface, in canvas units of 1/1440 inch. The chart routines draw
// through this interface so that the same code feeds the screen image and the tests.
#include <cstdint>

namespace drv {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kYellow{255, 255, 0};

class Canvas {
public:
    virtual ~Canvas() = default;
    // Sets one point; it becomes the "last point" for lineTo.
    virtual void point(std::int32_t x, std::int32_t y, Rgb colour) = 0;
    // Line from the last point to (x, y), which becomes the last point.
    virtual void lineTo(std::int32_t x, std::int32_t y, Rgb colour) = 0;
    // Line between two points; (x2, y2) becomes the last point.
    virtual void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb colour) = 0;
    // Outline of the rectangle with corners (x1, y1) and (x2, y2).
    virtual void rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb colour) = 0;
    virtual void fillRectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb colour) = 0;
    // 1 or 2 pixels of the target; applies to points and lines drawn afterwards.
    virtual void setPenWidth(int width) = 0;
};

}  // namespace drv

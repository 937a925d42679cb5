#pragma once
// A Canvas that remembers every primitive, for checking the chart's geometry.
#include <cstdint>
#include <vector>

#include "core/graphs/canvas.h"

namespace drv::test {

struct DrawOp {
    enum Kind { Point, Line, Rect, Fill } kind;
    std::int32_t x1, y1, x2, y2;
    Rgb colour;
    int pen;
};

class RecordingCanvas final : public Canvas {
public:
    void point(std::int32_t x, std::int32_t y, Rgb c) override { add(DrawOp::Point, x, y, x, y, c); }
    void lineTo(std::int32_t x, std::int32_t y, Rgb c) override { add(DrawOp::Line, lastX_, lastY_, x, y, c); }
    void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb c) override {
        add(DrawOp::Line, x1, y1, x2, y2, c);
    }
    void rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb c) override {
        add(DrawOp::Rect, x1, y1, x2, y2, c);
    }
    void fillRectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb c) override {
        add(DrawOp::Fill, x1, y1, x2, y2, c);
    }
    void setPenWidth(int w) override { pen_ = w; }

    std::vector<DrawOp> ops;

private:
    void add(DrawOp::Kind k, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb c) {
        ops.push_back({k, x1, y1, x2, y2, c, pen_});
        lastX_ = x2;
        lastY_ = y2;
    }
    int pen_ = 1;
    std::int32_t lastX_ = 0;
    std::int32_t lastY_ = 0;
};

}  // namespace drv::test

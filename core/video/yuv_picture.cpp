#include "core/video/yuv_picture.h"

#include <algorithm>

extern "C" {
#include <libswscale/swscale.h>
}

namespace drv {

namespace {

// One conversion context per thread and kind of conversion, reused frame after frame: making one
// costs more than converting a picture.
enum Slot { kFromPlanes, kToRgb, kFromRgb, kSlots };

SwsContext* converter(Slot slot, int srcW, int srcH, AVPixelFormat src, int dstW, int dstH, AVPixelFormat dst) {
    struct Contexts {
        SwsContext* at[kSlots] = {};
        ~Contexts() {
            for (SwsContext* c : at) sws_freeContext(c);
        }
    };
    thread_local Contexts contexts;
    // Same size: colour conversion only, where point sampling of the chroma came closest to the
    // recorder's JPEGs; other sizes are stretched as the main picture is, smoothly.
    const int flags = srcW == dstW && srcH == dstH ? SWS_POINT : SWS_BILINEAR;
    contexts.at[slot] =
        sws_getCachedContext(contexts.at[slot], srcW, srcH, src, dstW, dstH, dst, flags, nullptr, nullptr, nullptr);
    return contexts.at[slot];
}

AVPixelFormat planeFormat(int h, int v) {
    if (h == 2 && v == 2) return AV_PIX_FMT_YUVJ420P;
    if (h == 2 && v == 1) return AV_PIX_FMT_YUVJ422P;
    if (h == 1 && v == 2) return AV_PIX_FMT_YUVJ440P;
    return AV_PIX_FMT_YUVJ444P;
}

// Where row `row` of the picture starts in plane i (chroma has half the rows).
std::size_t rowOffset(const YuvPicture& picture, int i, int row) {
    return static_cast<std::size_t>(i == 0 ? row : row / 2) * static_cast<std::size_t>(picture.stride(i));
}

// Black from row `top` (even) down: luma at the limited range's foot, no colour.
void blackFrom(YuvPicture& p, int top) {
    const std::size_t lumaRows = static_cast<std::size_t>(p.height - top);
    std::fill_n(p.plane(0) + rowOffset(p, 0, top), lumaRows * static_cast<std::size_t>(p.stride(0)), 16);
    for (int i : {1, 2})
        std::fill_n(p.plane(i) + rowOffset(p, i, top), lumaRows / 2 * static_cast<std::size_t>(p.stride(i)), 128);
}

}  // namespace

YuvPicture BlackYuvPicture(int width, int height) {
    YuvPicture p;
    p.width = width;
    p.height = height;
    p.bytes.resize(p.offset(2) + p.offset(1) / 4);
    blackFrom(p, 0);
    return p;
}

YuvPicture YuvFromJpegPlanes(const JpegPlanes& planes, int width, int height, int outHeight) {
    if (!planes.ok() || planes.width < 1 || planes.height < 1) return {};
    SwsContext* scale = converter(kFromPlanes, planes.width, planes.height, planeFormat(planes.lumaH, planes.lumaV),
                                  width, height, AV_PIX_FMT_YUV420P);
    if (!scale) return {};
    YuvPicture out;
    out.width = width;
    out.height = outHeight;
    out.bytes.resize(out.offset(2) + out.offset(1) / 4);  // the picture's rows are all written below
    blackFrom(out, height);
    const std::uint8_t* src[3] = {planes.plane[0].data(), planes.plane[1].data(), planes.plane[2].data()};
    std::uint8_t* dst[3] = {out.plane(0), out.plane(1), out.plane(2)};
    const int dstStride[3] = {out.stride(0), out.stride(1), out.stride(2)};
    sws_scale(scale, src, planes.stride, 0, planes.height, dst, dstStride);
    return out;
}

void YuvRowsToRgb32(const YuvPicture& picture, int top, int rows, std::uint8_t* rgb, std::size_t stride) {
    SwsContext* c = converter(kToRgb, picture.width, rows, AV_PIX_FMT_YUV420P, picture.width, rows, AV_PIX_FMT_RGB32);
    if (!c) return;
    const std::uint8_t* src[3] = {picture.plane(0) + rowOffset(picture, 0, top),
                                  picture.plane(1) + rowOffset(picture, 1, top),
                                  picture.plane(2) + rowOffset(picture, 2, top)};
    const int srcStride[3] = {picture.stride(0), picture.stride(1), picture.stride(2)};
    std::uint8_t* dst[1] = {rgb};
    const int dstStride[1] = {static_cast<int>(stride)};
    sws_scale(c, src, srcStride, 0, rows, dst, dstStride);
}

void Rgb32ToYuvRows(const std::uint8_t* rgb, std::size_t stride, YuvPicture& picture, int top, int rows) {
    SwsContext* c = converter(kFromRgb, picture.width, rows, AV_PIX_FMT_RGB32, picture.width, rows, AV_PIX_FMT_YUV420P);
    if (!c) return;
    const std::uint8_t* src[1] = {rgb};
    const int srcStride[1] = {static_cast<int>(stride)};
    std::uint8_t* dst[3] = {picture.plane(0) + rowOffset(picture, 0, top),
                            picture.plane(1) + rowOffset(picture, 1, top),
                            picture.plane(2) + rowOffset(picture, 2, top)};
    const int dstStride[3] = {picture.stride(0), picture.stride(1), picture.stride(2)};
    sws_scale(c, src, srcStride, 0, rows, dst, dstStride);
}

}  // namespace drv

// libFuzzer target: any bytes as a frame picture, decoded whole, scaled for a thumbnail and as
// the picture window's top-left region. Every decode must end in a picture whose buffer matches
// its size, or in an error; the fuzzer's -timeout and -rss_limit_mb catch one that does neither
// in time or memory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/picture/jpeg_decoder.h"

namespace {

void check(const drv::DecodedPicture& p, const drv::PictureRequest& r) {
    if (!p.ok()) {
        if (!p.pixels.empty() || p.width != 0 || p.height != 0) std::abort();
        return;
    }
    const std::size_t pixel = r.layout == drv::PixelOrder::Bgr ? 3 : 4;
    if (p.width <= 0 || p.height <= 0 || p.bytesPerRow != std::size_t(p.width) * pixel ||
        p.pixels.size() != p.bytesPerRow * std::size_t(p.height))
        std::abort();
    if (p.naturalWidth > r.maxSide || p.naturalHeight > r.maxSide) std::abort();
    if ((r.regionWidth > 0 && p.width > r.regionWidth) || (r.regionHeight > 0 && p.height > r.regionHeight))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    drv::PictureRequest whole;
    whole.maxSide = 1024;  // keeps each run small; the limit itself is what is exercised
    check(drv::DecodeJpeg(bytes, whole), whole);

    drv::PictureRequest thumb = whole;
    thumb.layout = drv::PixelOrder::Bgr;
    thumb.atLeastWidth = 1 + size % 200;
    thumb.atLeastHeight = 1 + size % 150;
    check(drv::DecodeJpeg(bytes, thumb), thumb);

    drv::PictureRequest region = whole;
    region.regionWidth = 1 + size % 640;
    region.regionHeight = 1 + size % 480;
    check(drv::DecodeJpeg(bytes, region), region);
    return 0;
}

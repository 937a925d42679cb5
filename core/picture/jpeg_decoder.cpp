#include "core/picture/jpeg_decoder.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <bit>
#include <string>

#include "core/common/file_read.h"

namespace drv {
namespace {

// libjpeg reports errors through error_exit, which must not return: it jumps back to the
// decode with the reason kept here. Nothing with a destructor is created between the setjmp
// and the jumps, so none is skipped.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    PictureError reason;
};

struct ProgressMonitor {
    jpeg_progress_mgr pub;
    const PictureRequest* request;
};

[[noreturn]] void fail(j_common_ptr cinfo, PictureError reason) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->reason = reason;
    std::longjmp(err->jump, 1);
}

void errorExit(j_common_ptr cinfo) { fail(cinfo, PictureError::Damaged); }

void silent(j_common_ptr) {}

// Called before each unit of input (a row of blocks, a marker) and each output row: the place
// where a decode stops when asked to, and where a scan past the limit is caught as it begins.
void progress(j_common_ptr cinfo) {
    const auto* monitor = reinterpret_cast<const ProgressMonitor*>(cinfo->progress);
    const PictureRequest& request = *monitor->request;
    if (request.cancel && request.cancel->load(std::memory_order_relaxed)) fail(cinfo, PictureError::Cancelled);
    const auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > request.maxScans) fail(cinfo, PictureError::TooManyScans);
}

// The smallest of 1/8, 1/4, 1/2, 1/1 (the fast IDCT sizes) at which the output still reaches
// the requested size; the natural size when none is asked for.
void chooseScale(j_decompress_ptr cinfo, const PictureRequest& request) {
    if (request.atLeastWidth <= 0 && request.atLeastHeight <= 0) return;
    for (unsigned num : {1u, 2u, 4u, 8u}) {
        cinfo->scale_num = num;
        cinfo->scale_denom = 8;
        jpeg_calc_output_dimensions(cinfo);
        if (static_cast<int>(cinfo->output_width) >= request.atLeastWidth &&
            static_cast<int>(cinfo->output_height) >= request.atLeastHeight)
            return;
    }
}

J_COLOR_SPACE outputSpace(PixelOrder layout) {
    if (layout == PixelOrder::Bgr) return JCS_EXT_BGR;
    // The 32-bit word 0xffRRGGBB in memory order.
    return std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;
}

// CMYK pictures (as Adobe writes them, inverted) become blue-green-red as Qt's reader makes them.
void cmykRow(const std::uint8_t* in, std::uint8_t* out, int width, int bytesPerPixel) {
    for (int x = 0; x < width; ++x, in += 4, out += bytesPerPixel) {
        const unsigned k = in[3];
        const auto r = static_cast<std::uint8_t>(k * in[0] / 255);
        const auto g = static_cast<std::uint8_t>(k * in[1] / 255);
        const auto b = static_cast<std::uint8_t>(k * in[2] / 255);
        if (bytesPerPixel == 4 && std::endian::native != std::endian::little) {
            out[0] = 0xff, out[1] = r, out[2] = g, out[3] = b;
        } else {
            out[0] = b, out[1] = g, out[2] = r;
            if (bytesPerPixel == 4) out[3] = 0xff;
        }
    }
}

}  // namespace

const char* PictureErrorText(PictureError error) {
    switch (error) {
        case PictureError::None: return "decoded";
        case PictureError::Unreadable: return "cannot be read";
        case PictureError::Damaged: return "not a JPEG picture or damaged";
        case PictureError::TooLarge: return "too large";
        case PictureError::TooManyScans: return "too many scans";
        case PictureError::Cancelled: return "cancelled";
    }
    return "unknown";
}

namespace {

// Runs `body` on a decoder whose header is read and whose sides (put in `width` and `height`)
// are within the request's limit. Errors, the memory limit, the scan counter (and Cancel) and the
// source are set up here, and any failure inside `body` jumps back here; the decoder is destroyed
// either way. A jump discards `body`'s frame, so it keeps nothing there that needs destroying:
// what it fills belongs to its caller.
template <class Body>
PictureError withDecoder(std::span<const std::uint8_t> data, const PictureRequest& request, int& width, int& height,
                         Body&& body) {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    ProgressMonitor monitor{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.output_message = silent;  // warnings (damaged data) are not printed
    err.reason = PictureError::None;
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return err.reason;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    monitor.pub.progress_monitor = progress;
    monitor.request = &request;
    cinfo.progress = &monitor.pub;
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
        fail(reinterpret_cast<j_common_ptr>(&cinfo), PictureError::Damaged);
    width = static_cast<int>(cinfo.image_width);
    height = static_cast<int>(cinfo.image_height);
    if (width > request.maxSide || height > request.maxSide)
        fail(reinterpret_cast<j_common_ptr>(&cinfo), PictureError::TooLarge);
    body(cinfo);
    jpeg_destroy_decompress(&cinfo);
    return PictureError::None;
}

// The decode proper. `row` belongs to the caller: a whole output row, when only part is kept.
PictureError decode(std::span<const std::uint8_t> data, const PictureRequest& request, DecodedPicture& out,
                    std::vector<std::uint8_t>& row) {
    return withDecoder(data, request, out.naturalWidth, out.naturalHeight, [&](jpeg_decompress_struct& cinfo) {
        if (request.headerOnly) return;
        const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
        cinfo.out_color_space = cmyk ? JCS_CMYK : outputSpace(request.layout);
        chooseScale(&cinfo, request);
        // A progressive picture is read whole here; the progress monitor counts its scans.
        jpeg_start_decompress(&cinfo);

        const int bytesPerPixel = request.layout == PixelOrder::Bgr ? 3 : 4;
        const int fullWidth = static_cast<int>(cinfo.output_width);
        const int width = request.regionWidth > 0 ? std::min(fullWidth, request.regionWidth) : fullWidth;
        const int height = request.regionHeight > 0
                               ? std::min(static_cast<int>(cinfo.output_height), request.regionHeight)
                               : static_cast<int>(cinfo.output_height);
        if (width < fullWidth) {
            // Decode only the columns kept, and one more block column so that the smoothing of
            // subsampled colour at the region's right edge sees its neighbour as in a full decode.
            JDIMENSION x = 0;
            JDIMENSION w = static_cast<JDIMENSION>(std::min(fullWidth, width + 32));
            jpeg_crop_scanline(&cinfo, &x, &w);
        }
        const int decodedWidth = static_cast<int>(cinfo.output_width);
        const std::size_t decodedRowBytes =
            static_cast<std::size_t>(decodedWidth) * static_cast<std::size_t>(cinfo.output_components);

        out.width = width;
        out.height = height;
        out.bytesPerRow = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytesPerPixel);
        out.pixels.resize(out.bytesPerRow * static_cast<std::size_t>(height));
        const bool direct = !cmyk && decodedWidth == width;
        if (!direct) row.resize(decodedRowBytes);

        for (int y = 0; y < height; ++y) {
            std::uint8_t* target = out.pixels.data() + out.bytesPerRow * static_cast<std::size_t>(y);
            JSAMPROW line = direct ? target : row.data();
            if (jpeg_read_scanlines(&cinfo, &line, 1) != 1)
                fail(reinterpret_cast<j_common_ptr>(&cinfo), PictureError::Damaged);
            if (cmyk) {
                cmykRow(row.data(), target, width, bytesPerPixel);
            } else if (!direct) {
                std::copy_n(row.data(), out.bytesPerRow, target);
            }
        }
        // Rows below the region are never decoded; destroying the object abandons them.
    });
}

// The planes decode. Every vector grown here belongs to `out`.
PictureError decodePlanes(std::span<const std::uint8_t> data, const PictureRequest& request, JpegPlanes& out) {
    return withDecoder(data, request, out.width, out.height, [&](jpeg_decompress_struct& cinfo) {
        const jpeg_component_info* c = cinfo.comp_info;
        const bool planar = cinfo.num_components == 3 && cinfo.jpeg_color_space == JCS_YCbCr &&
                            c[0].h_samp_factor <= 2 && c[0].v_samp_factor <= 2 && c[1].h_samp_factor == 1 &&
                            c[1].v_samp_factor == 1 && c[2].h_samp_factor == 1 && c[2].v_samp_factor == 1;
        if (!planar) {
            out.otherKind = true;
            return;
        }
        out.lumaH = c[0].h_samp_factor;
        out.lumaV = c[0].v_samp_factor;
        cinfo.raw_data_out = TRUE;
        jpeg_start_decompress(&cinfo);  // a progressive picture is read whole here, its scans counted

        // One call gives a row of MCUs: max_v_samp_factor * 8 luma rows and 8 of each chroma.
        const int rowsPerCall = cinfo.max_v_samp_factor * DCTSIZE;
        const int calls = (static_cast<int>(cinfo.output_height) + rowsPerCall - 1) / rowsPerCall;
        for (int i = 0; i < 3; ++i) {
            out.stride[i] = static_cast<int>(c[i].width_in_blocks) * DCTSIZE;
            out.plane[i].resize(static_cast<std::size_t>(out.stride[i]) *
                                static_cast<std::size_t>(c[i].v_samp_factor * DCTSIZE * calls));
        }
        JSAMPROW rows[3][2 * DCTSIZE];
        JSAMPARRAY arrays[3] = {rows[0], rows[1], rows[2]};
        for (int call = 0; call < calls; ++call) {
            for (int i = 0; i < 3; ++i) {
                const int n = c[i].v_samp_factor * DCTSIZE;
                for (int r = 0; r < n; ++r)
                    rows[i][r] = out.plane[i].data() +
                                 static_cast<std::size_t>(out.stride[i]) * static_cast<std::size_t>(call * n + r);
            }
            if (jpeg_read_raw_data(&cinfo, arrays, static_cast<JDIMENSION>(rowsPerCall)) == 0)
                fail(reinterpret_cast<j_common_ptr>(&cinfo), PictureError::Damaged);
        }
    });
}

}  // namespace

JpegPlanes DecodeJpegPlanes(std::span<const std::uint8_t> data, const PictureRequest& limits) {
    JpegPlanes out;
    if (data.empty()) {
        out.error = PictureError::Unreadable;
        return out;
    }
    out.error = decodePlanes(data, limits, out);
    if (!out.ok())
        for (auto& plane : out.plane) plane = {};
    return out;
}

DecodedPicture DecodeJpeg(std::span<const std::uint8_t> data, const PictureRequest& request) {
    DecodedPicture out;
    if (data.empty()) {
        out.error = PictureError::Unreadable;
        return out;
    }
    std::vector<std::uint8_t> row;  // a whole output row, when only part of it is kept
    out.error = decode(data, request, out, row);
    if (!out.ok()) {
        out.width = out.height = 0;
        out.bytesPerRow = 0;
        out.pixels = {};
    }
    return out;
}

DecodedPicture DecodeJpegFile(const std::filesystem::path& file, const PictureRequest& request) {
    const std::string bytes = ReadRegularFile(file, kMaxPictureFileBytes);
    return DecodeJpeg(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), request);
}

}  // namespace drv

#pragma once
// Pictures an attacker would leave on a card, made with libjpeg's own encoder, for tests and
// benchmarks: a progressive JPEG that repeats its last scan thousands of times (each repeat
// costs the decoder a pass over the whole picture), and one whose header claims a picture far
// larger than a frame.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <jpeglib.h>
#include <stdexcept>
#include <vector>

namespace drv::test {

// Fills one row of width x 3 bytes (red, green, blue) for row y.
using RgbRowFill = std::function<void(int y, std::uint8_t* row)>;

// How the JPEG stores its colours: luma's sampling factors against chroma's 1 x 1 (2 x 2 is
// 4:2:0, libjpeg's default), or grey alone.
struct JpegLayout {
    int lumaH = 2;
    int lumaV = 2;
    bool grey = false;
};

// A JPEG of width x height, rows from `fill`, baseline or progressive (libjpeg's standard
// scan script of ten scans for colour pictures).
inline std::vector<std::uint8_t> EncodeJpeg(int width, int height, const RgbRowFill& fill, int quality = 85,
                                            bool progressive = false, JpegLayout layout = {}) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (layout.grey) {
        jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    } else {
        cinfo.comp_info[0].h_samp_factor = layout.lumaH;
        cinfo.comp_info[0].v_samp_factor = layout.lumaV;
    }
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        fill(y, row.data());
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// A smooth test picture with some detail in it: a gradient with a grid.
inline std::vector<std::uint8_t> PatternJpeg(int width, int height, bool progressive = false) {
    return EncodeJpeg(
        width, height,
        [width](int y, std::uint8_t* row) {
            for (int x = 0; x < width; ++x) {
                const bool line = x % 40 == 0 || y % 40 == 0;
                row[3 * x] = static_cast<std::uint8_t>(line ? 250 : x * 255 / (width > 1 ? width - 1 : 1));
                row[3 * x + 1] = static_cast<std::uint8_t>(line ? 250 : (y * 3) & 255);
                row[3 * x + 2] = static_cast<std::uint8_t>(line ? 20 : (x + y) & 255);
            }
        },
        90, progressive);
}

inline std::vector<std::uint8_t> UniformJpeg(int width, int height, bool progressive = false) {
    return EncodeJpeg(
        width, height,
        [width](int, std::uint8_t* row) {
            for (int x = 0; x < 3 * width; ++x) row[x] = 96;
        },
        75, progressive);
}

// Where each marker of a JPEG file begins, from the one after SOI to its end of image. A scan's
// entropy-coded data runs to the next marker that is neither a stuffed 0xFF00 nor a restart.
inline std::vector<std::size_t> Markers(const std::vector<std::uint8_t>& jpeg) {
    std::vector<std::size_t> markers;
    for (std::size_t pos = 2; pos + 2 <= jpeg.size();) {
        if (jpeg[pos] != 0xFF) throw std::runtime_error("not at a marker");
        markers.push_back(pos);
        const std::uint8_t marker = jpeg[pos + 1];
        if (marker == 0xD9) return markers;
        if (pos + 4 > jpeg.size()) break;
        pos += 2 + (static_cast<std::size_t>(jpeg[pos + 2]) << 8 | jpeg[pos + 3]);
        while (marker == 0xDA && pos + 1 < jpeg.size() &&
               !(jpeg[pos] == 0xFF && jpeg[pos + 1] != 0 && !(jpeg[pos + 1] >= 0xD0 && jpeg[pos + 1] <= 0xD7)))
            ++pos;
    }
    throw std::runtime_error("no end of image");
}

// A progressive 640 x 480 JPEG with `scans` scans: libjpeg's ten, then the last one (with the
// tables just before it) again and again. Each repeat is some 50 bytes (a uniform picture needs
// almost no refinement data), so 20,000 scans make about a megabyte, as in the attack this
// guards against.
inline std::vector<std::uint8_t> ManyScansJpeg(int scans, int width = 640, int height = 480) {
    const std::vector<std::uint8_t> base = UniformJpeg(width, height, true);
    const std::vector<std::size_t> markers = Markers(base);
    std::vector<std::size_t> scanEnds;  // the marker after each scan
    for (std::size_t k = 0; k + 1 < markers.size(); ++k)
        if (base[markers[k] + 1] == 0xDA) scanEnds.push_back(markers[k + 1]);
    const auto at = [&](std::size_t pos) { return base.begin() + static_cast<std::ptrdiff_t>(pos); };
    std::vector<std::uint8_t> out(base.begin(), at(markers.back()));
    for (int n = static_cast<int>(scanEnds.size()); n < scans; ++n)
        out.insert(out.end(), at(scanEnds.size() > 1 ? scanEnds[scanEnds.size() - 2] : 2), at(markers.back()));
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

// A real picture of width x height (uniform, so the file stays small): 5700 x 5700 is the
// attack's size.
inline std::vector<std::uint8_t> HugeJpeg(int width = 5700, int height = 5700) { return UniformJpeg(width, height); }

// A small picture whose frame header claims width x height: refused from the header alone.
inline std::vector<std::uint8_t> ClaimedSizeJpeg(int width, int height) {
    std::vector<std::uint8_t> jpeg = UniformJpeg(64, 48);
    for (const std::size_t pos : Markers(jpeg)) {
        if (jpeg[pos + 1] != 0xC0 && jpeg[pos + 1] != 0xC2) continue;
        // SOF: length 2 + precision 1 + height 2 + width 2
        jpeg[pos + 5] = static_cast<std::uint8_t>(height >> 8), jpeg[pos + 6] = static_cast<std::uint8_t>(height);
        jpeg[pos + 7] = static_cast<std::uint8_t>(width >> 8), jpeg[pos + 8] = static_cast<std::uint8_t>(width);
        return jpeg;
    }
    throw std::runtime_error("no frame header");
}

// Replaces the picture of the frame file `file` (SOI, then its Exif APP1 segment) by `jpeg`,
// keeping its telemetry and its modification time (the recording's order).
inline void PlantPicture(const std::filesystem::path& file, const std::vector<std::uint8_t>& jpeg) {
    const auto time = std::filesystem::last_write_time(file);
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> frame{std::istreambuf_iterator<char>(in), {}};
    in.close();
    if (frame.size() < 6 || frame[2] != 0xFF || frame[3] != 0xE1) throw std::runtime_error("no Exif segment first");
    const std::size_t exifEnd = 4 + (static_cast<std::size_t>(frame[4]) << 8 | frame[5]);
    if (exifEnd > frame.size() || jpeg.size() < 2) throw std::runtime_error("short frame");
    frame.resize(exifEnd);
    frame.insert(frame.end(), jpeg.begin() + 2, jpeg.end());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(frame.data()), static_cast<std::streamsize>(frame.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file.string());
    std::filesystem::last_write_time(file, time);
}

}  // namespace drv::test

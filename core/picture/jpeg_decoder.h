#pragma once
// The one JPEG decoder for frames, over libjpeg-turbo, with bounds that no file on a card can
// move: a picture larger than any recorder writes, or one whose progressive data keeps adding
// scans, is refused in milliseconds, and a decode under way can be abandoned from another thread.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace drv {

// Largest width and height decoded (a frame is 640 x 480).
inline constexpr int kMaxPictureSide = 4096;
// Scans a picture may have. Encoders write about ten; a file with thousands is an attack that
// costs a full pass over the picture per scan.
inline constexpr int kMaxPictureScans = 100;
// Memory libjpeg may take for a picture's coefficients (a 4096 x 4096 progressive picture
// in full colour needs about 96 MiB).
inline constexpr long kMaxDecoderMemory = 128L << 20;

enum class PictureError {
    None,
    Unreadable,    // missing, not an ordinary file, empty, or over the size limit
    Damaged,       // not a JPEG, or data libjpeg cannot decode
    TooLarge,      // its header claims more than kMaxPictureSide in either direction
    TooManyScans,  // its data goes past kMaxPictureScans scans
    Cancelled,     // abandoned through the request's cancel flag
};

// A short English description, for logs and command-line messages.
const char* PictureErrorText(PictureError error);

enum class PixelOrder {
    Bgr,   // rows of blue, green, red bytes: what the brightening works on
    Bgrx,  // blue, green, red, 0xff: one 32-bit 0xffRRGGBB word per pixel (little-endian)
};

struct PictureRequest {
    PixelOrder layout = PixelOrder::Bgrx;
    // Scale while decoding (in eighths) to the smallest size that is still at least this large
    // in both directions; 0 means the natural size. Thumbnails ask for their box.
    int atLeastWidth = 0;
    int atLeastHeight = 0;
    // Only the top-left part of the (scaled) picture up to this size; 0 means all of it.
    int regionWidth = 0;
    int regionHeight = 0;
    // Set from any thread to abandon the decode: it is checked between rows and scans.
    const std::atomic<bool>* cancel = nullptr;
    int maxSide = kMaxPictureSide;
    int maxScans = kMaxPictureScans;
    // Only the header: the natural size and whether it is within maxSide, no pixels.
    bool headerOnly = false;
};

struct DecodedPicture {
    PictureError error = PictureError::Damaged;
    int naturalWidth = 0;  // as the header gives it (also set when the picture is too large)
    int naturalHeight = 0;
    int width = 0;  // of the pixels below
    int height = 0;
    std::size_t bytesPerRow = 0;
    std::vector<std::uint8_t> pixels;

    bool ok() const { return error == PictureError::None; }
};

DecodedPicture DecodeJpeg(std::span<const std::uint8_t> data, const PictureRequest& request = {});

// A picture's luma and chroma planes as the file stores them (full-range YCbCr, BT.601 matrix),
// never turned into RGB: the video's encoder takes YUV, and a round trip through RGB costs time
// and precision. Only three-component YCbCr pictures with chroma at 1 x 1 and luma at 1 or 2 each
// way (4:2:0, 4:2:2, 4:4:0, 4:4:4) come out so; `otherKind` says to decode any other in RGB.
// The bounds, scan limit and cancel flag of the request hold as in DecodeJpeg (its layout,
// scaling and region do not apply).
struct JpegPlanes {
    PictureError error = PictureError::Damaged;
    bool otherKind = false;
    int width = 0;  // the picture's
    int height = 0;
    int lumaH = 1;  // luma's sampling factors (chroma at 1 x 1)
    int lumaV = 1;
    std::vector<std::uint8_t> plane[3];  // Y, Cb, Cr; rows past the picture's foot may follow
    int stride[3] = {};

    bool ok() const { return error == PictureError::None && !otherKind; }
};

JpegPlanes DecodeJpegPlanes(std::span<const std::uint8_t> data, const PictureRequest& limits = {});

// Reads the file by its path's bytes (an ordinary file of at most kMaxPictureFileBytes) and
// decodes it.
DecodedPicture DecodeJpegFile(const std::filesystem::path& file, const PictureRequest& request = {});

}  // namespace drv

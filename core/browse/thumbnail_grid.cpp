#include "core/browse/thumbnail_grid.h"

namespace drv {

int ThumbnailScrollMaximum(std::size_t count) {
    if (count == 0) return 0;
    return static_cast<int>((count - 1) / kThumbnailColumns);
}

std::int16_t ThumbnailFirstShown(int scrollValue) { return static_cast<std::int16_t>(kThumbnailColumns * scrollValue); }

TwipRect ThumbnailCellRect(int cell) {
    static constexpr double lefts[kThumbnailColumns] = {0, 2540, 5070, 7610};
    static constexpr double tops[kThumbnailCells / kThumbnailColumns] = {0, 2280, 4560, 6840};
    const int c = cell < 0 ? 0 : (cell >= kThumbnailCells ? kThumbnailCells - 1 : cell);
    return {lefts[c % kThumbnailColumns], tops[c / kThumbnailColumns], 2555, 2295};
}

TwipRect ThumbnailLabelRect() { return {0, 2040, 2555, 195}; }

TwipRect ThumbnailImageRect(int pictureWidth, int pictureHeight) {
    if (pictureWidth > pictureHeight) return {300, 200, 1900, 1600};
    if (pictureHeight <= 0) return {360, 0, 1880, 2040};  // nothing to size by: the default box
    const double width = static_cast<double>(pictureWidth) * 2000.0 / pictureHeight;
    return {(1995.0 - width) / 2.0, 0, width, 2000};
}

}  // namespace drv

#pragma once
// The thumbnail list's grid: which picture each of the 16 cells shows at a scroll value,
// and where a picture sits inside its cell. Positions are in twips (15 per pixel).
#include <cstddef>
#include <cstdint>

namespace drv {

inline constexpr int kThumbnailCells = 16;
inline constexpr int kThumbnailColumns = 4;

struct TwipRect {
    double left = 0, top = 0, width = 0, height = 0;
    bool operator==(const TwipRect&) const = default;
};

// Scroll bar maximum for `count` pictures: (count - 1) div 4, and 0 for none.
int ThumbnailScrollMaximum(std::size_t count);

// FirstShown: the number of pictures above the first cell, 4 x the scroll value; cell c
// shows the picture with key FirstShown + c + 1 (keys are 1-based).
std::int16_t ThumbnailFirstShown(int scrollValue);

// Cell c of the 4 x 4 grid inside the grid container.
TwipRect ThumbnailCellRect(int cell);
// The file-name label inside a cell.
TwipRect ThumbnailLabelRect();
// The picture inside a cell: landscape pictures (wider than high) fill a 1900 x 1600 box at
// (300, 200); others are 2000 high with the picture's proportions, centred; a picture without
// a height gets the cell's default box, 1880 x 2040 at (360, 0).
TwipRect ThumbnailImageRect(int pictureWidth, int pictureHeight);

}  // namespace drv

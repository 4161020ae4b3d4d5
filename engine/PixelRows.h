#pragma once
// The row addresses of a bitmap, fetched once so pixel loops index an array instead of asking the bitmap
// for every row; the kernels assume nothing about the distance or order of the rows.

#include "platform/graphics/Bitmap.h"

#include <cstdint>
#include <vector>

struct TPixelRows
{
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t*> Rows;

    std::uint8_t* operator[](int Y) const { return Rows[std::size_t(Y)]; }
};

// The rows of Bitmap; writing through them turns a device-dependent bitmap into a section.
TPixelRows RowsOf(TBitmap& Bitmap);

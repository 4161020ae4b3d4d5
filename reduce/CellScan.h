#pragma once
// The passes of a median cut over a 24-bit picture by cell (red and green to 6 bits, blue to 5): counting
// the pixels of every cell with the sums of the low bits the cell drops, writing the 8-bit result through
// a table of cells, and diffusing the picture onto the cut's colours. Each pass has a plain version and
// one on the processor's bit-extract and bit-deposit instructions, which give a pixel's cell, its low bits
// or its channels spread apart in one instruction each; the fastest the processor offers is chosen once,
// and every version gives the same results.

#include "platform/graphics/Bitmap.h"
#include "reduce/MedianCut.h"

#include <cstdint>

struct TCellScans
{
    // Adds every pixel of the 24-bit Bitmap into Cells (TMedianCut::CellCount records): one to the count,
    // red AND 3, green AND 3 and blue AND 7 to the sums.
    void (*Count)(const TBitmap& Bitmap, TColorCell* Cells);
    // Byte (x, y) of the 8-bit Result, of Bitmap's size, becomes IndexTable[cell of pixel (x, y)].
    void (*Index)(const TBitmap& Bitmap, const std::uint8_t* IndexTable, TBitmap& Result);
    // Byte (x, y) of the 8-bit Result, of Bitmap's size, becomes the index of the colour Floyd–Steinberg
    // diffusion chose for pixel (x, y): the colour of the entry of the pixel's cell, after the errors of
    // the pixels before it were spread onto it, and stored as the index of that colour's own cell. The cut
    // must have been made without compaction, so that every cell has its entry.
    void (*Diffuse)(const TBitmap& Bitmap, const TMedianCut& MedianCut, TBitmap& Result);
};

extern const TCellScans PlainCellScans;
// nullptr where the processor lacks the bit-extract and bit-deposit instructions or runs them slowly.
const TCellScans* BitExtractCellScans();
const TCellScans& CellScans();

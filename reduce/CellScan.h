#pragma once
// The two passes of a median cut over a 24-bit picture by cell (red and green to 6 bits, blue to 5):
// counting the pixels of every cell with the sums of the low bits the cell drops, and writing the 8-bit
// result through a table of cells. Each pass has a plain version and one on the processor's bit-extract
// instruction, which gives a pixel's cell and its low bits in one instruction each; the fastest the
// processor offers is chosen once, and every version gives the same results.

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
};

extern const TCellScans PlainCellScans;
// nullptr where the processor lacks the bit-extract instruction or runs it slowly.
const TCellScans* BitExtractCellScans();
const TCellScans& CellScans();

#include "engine/PixelRows.h"

TPixelRows RowsOf(TBitmap& Bitmap)
{
    TPixelRows Rows;
    Rows.Width = Bitmap.Width();
    Rows.Height = Bitmap.Height();
    Rows.Rows.resize(std::size_t(Rows.Height));
    for (int Y = 0; Y < Rows.Height; ++Y) Rows.Rows[std::size_t(Y)] = Bitmap.ScanLine(Y);
    return Rows;
}

#include "engine/Rows.h"

std::vector<std::uint8_t*> RowAddresses(TBitmap& Bitmap)
{
    std::vector<std::uint8_t*> Rows(std::size_t(Bitmap.Height()));
    for (int Y = 0; Y < Bitmap.Height(); ++Y) Rows[std::size_t(Y)] = Bitmap.ScanLine(Y);
    return Rows;
}

std::vector<const std::uint8_t*> RowAddresses(const TBitmap& Bitmap)
{
    std::vector<const std::uint8_t*> Rows(std::size_t(Bitmap.Height()));
    for (int Y = 0; Y < Bitmap.Height(); ++Y) Rows[std::size_t(Y)] = Bitmap.ScanLine(Y);
    return Rows;
}

#include "tests/support/PixelReader.h"

#include <cmath>

namespace {

std::uint8_t MaskLevel(std::uint32_t Pixel, std::uint32_t Mask)
{
    if (Mask == 0) return 0;
    int Shift = 0;
    while (((Mask >> Shift) & 1) == 0) ++Shift;
    int Bits = 0;
    while (Shift + Bits < 32 && ((Mask >> (Shift + Bits)) & 1) != 0) ++Bits;
    const std::uint64_t Value = (Pixel & Mask) >> Shift;
    const std::uint64_t Maximum = (std::uint64_t(1) << Bits) - 1;
    return std::uint8_t(std::nearbyint(double(Value) * 255.0 / double(Maximum)));
}

} // namespace

TColor ReadPixel(const TBitmap& Bitmap, int X, int Y)
{
    const std::uint8_t* Row = Bitmap.ScanLine(Y);
    const int Bits = Bitmap.BitCount();
    if (Bits <= 8) {
        const int PerByte = 8 / Bits;
        const int Index = (Row[X / PerByte] >> (8 - Bits * (X % PerByte + 1))) & ((1 << Bits) - 1);
        const TPaletteEntry Entry = Bitmap.ColorTable()[Index];
        return RGB(Entry.peRed, Entry.peGreen, Entry.peBlue);
    }
    if (Bits == 24) return RGB(Row[3 * X + 2], Row[3 * X + 1], Row[3 * X]);
    std::uint32_t Pixel = 0;
    TBitFields Masks;
    if (Bits == 16) {
        Pixel = std::uint32_t(Row[2 * X] | (Row[2 * X + 1] << 8));
        Masks = Bitmap.HasBitFields() ? Bitmap.BitFields() : BitFields555;
    } else {
        Pixel = std::uint32_t(Row[4 * X]) | (std::uint32_t(Row[4 * X + 1]) << 8) |
                (std::uint32_t(Row[4 * X + 2]) << 16) | (std::uint32_t(Row[4 * X + 3]) << 24);
        Masks = Bitmap.HasBitFields() ? Bitmap.BitFields() : TBitFields{0xFF0000, 0xFF00, 0xFF};
    }
    return RGB(MaskLevel(Pixel, Masks.Red), MaskLevel(Pixel, Masks.Green), MaskLevel(Pixel, Masks.Blue));
}

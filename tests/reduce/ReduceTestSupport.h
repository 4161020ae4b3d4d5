#pragma once
// Small 24-bit pictures for the colour-reduction tests, given by (red, green, blue) colours.

#include "platform/graphics/Bitmap.h"

#include <array>
#include <cstdint>
#include <vector>

using TRgb = std::array<int, 3>;

// Width × Height pixels taken from Colors row by row, repeating Colors when it is shorter.
inline TBitmap PictureOf(int Width, int Height, const std::vector<TRgb>& Colors)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(Width, Height, 24);
    std::size_t Next = 0;
    for (int Y = 0; Y < Height; ++Y) {
        std::uint8_t* Row = Bitmap.ScanLine(Y);
        for (int X = 0; X < Width; ++X, Next = (Next + 1) % Colors.size()) {
            Row[3 * X] = std::uint8_t(Colors[Next][2]);
            Row[3 * X + 1] = std::uint8_t(Colors[Next][1]);
            Row[3 * X + 2] = std::uint8_t(Colors[Next][0]);
        }
    }
    return Bitmap;
}

inline std::uint32_t Packed(TRgb Color)
{
    return std::uint32_t(Color[0] << 16 | Color[1] << 8 | Color[2]);
}

inline TRgb RgbOf(const TPaletteEntry& Entry)
{
    return {Entry.peRed, Entry.peGreen, Entry.peBlue};
}

// (red, green, blue) of a 3-byte pixel stored blue, green, red.
inline TRgb RgbAt(const std::uint8_t* Pixel)
{
    return {Pixel[2], Pixel[1], Pixel[0]};
}

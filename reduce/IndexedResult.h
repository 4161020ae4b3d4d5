#pragma once
// Building the 8-bit result of a reduction: a new 8-bit section of the source's size holding Palette,
// whose byte (x, y) is IndexOf applied to pixel (x, y) of Colors (3 bytes, blue, green, red).

#include "platform/graphics/Bitmap.h"

#include <cstdint>
#include <memory>

std::unique_ptr<TBitmap> NewIndexedBitmap(int Width, int Height, TPalette Palette);

template <class TIndexOf>
std::unique_ptr<TBitmap> BuildIndexedResult(const TBitmap& Colors, TPalette Palette, TIndexOf&& IndexOf)
{
    auto Result = NewIndexedBitmap(Colors.Width(), Colors.Height(), std::move(Palette));
    const int Width = Colors.Width();
    for (int Y = 0; Y < Colors.Height(); ++Y) {
        const std::uint8_t* Source = Colors.ScanLine(Y);
        std::uint8_t* Target = Result->ScanLine(Y);
        for (int X = 0; X < Width; ++X, Source += 3) Target[X] = std::uint8_t(IndexOf(Source));
    }
    return Result;
}

#pragma once
// Pixels covered by the shapes the raster device does not trace itself: wide pens and text. The toolkit's
// painter rasterises them without antialiasing into a mask, and the device then applies its raster mode
// to every covered pixel exactly once.

#include "platform/graphics/Canvas.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct TCoverage
{
    TRect Bounds; // in device pixels; the mask holds Bounds.Width() × Bounds.Height() bytes
    std::vector<std::uint8_t> Mask;

    bool Covered(int X, int Y) const
    {
        return X >= Bounds.Left && X < Bounds.Right && Y >= Bounds.Top && Y < Bounds.Bottom &&
               Mask[std::size_t(Y - Bounds.Top) * std::size_t(Bounds.Width()) + std::size_t(X - Bounds.Left)] != 0;
    }
};

// A stroke of Width pixels through the centres of Points, with round ends and joins, within Clip.
TCoverage StrokeCoverage(std::span<const TPoint> Points, int Width, bool Closed, const TRect& Clip);

// The glyphs of Text with the top-left corner of its cell at (X, Y), within Clip.
TCoverage TextCoverage(int X, int Y, const std::string& Text, const TFont& Font, const TRect& Clip);

// The advance width and the line height (ascent plus descent) of Text.
TSize MeasureText(const std::string& Text, const TFont& Font);

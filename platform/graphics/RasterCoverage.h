#pragma once
// Pixels covered by the shapes the raster device does not trace itself: wide pens and text. The toolkit's
// painter rasterises them without antialiasing into a mask, and the device then applies its raster mode
// to every covered pixel exactly once.

#include "platform/graphics/Canvas.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Covered pixels in square tiles, so a thin outline around a large picture costs its own tiles only.
struct TCoverage
{
    static constexpr int TileSize = 128;

    TRect Bounds; // in device pixels
    int TilesAcross = 0;
    std::vector<std::vector<std::uint8_t>> Tiles; // row by row; a tile without a covered pixel is empty

    bool Covered(int X, int Y) const
    {
        if (X < Bounds.Left || X >= Bounds.Right || Y < Bounds.Top || Y >= Bounds.Bottom) return false;
        const int Column = X - Bounds.Left;
        const int Row = Y - Bounds.Top;
        const auto& Tile = Tiles[std::size_t(Row / TileSize * TilesAcross + Column / TileSize)];
        return !Tile.empty() && Tile[std::size_t(Row % TileSize * TileSize + Column % TileSize)] != 0;
    }
    // Calls Visit(X, Y) once for every covered pixel.
    template <class TVisit> void ForEachCovered(TVisit&& Visit) const
    {
        for (std::size_t Index = 0; Index < Tiles.size(); ++Index) {
            if (Tiles[Index].empty()) continue;
            const int Left = Bounds.Left + int(Index) % TilesAcross * TileSize;
            const int Top = Bounds.Top + int(Index) / TilesAcross * TileSize;
            for (int Y = Top; Y < std::min(Top + TileSize, Bounds.Bottom); ++Y) {
                const std::uint8_t* Line = Tiles[Index].data() + std::size_t(Y - Top) * TileSize;
                for (int X = Left; X < std::min(Left + TileSize, Bounds.Right); ++X)
                    if (Line[X - Left] != 0) Visit(X, Y);
            }
        }
    }
};

// A stroke of Width pixels through the centres of Points, with round ends and joins, within Clip.
TCoverage StrokeCoverage(std::span<const TPoint> Points, int Width, bool Closed, const TRect& Clip);

// The glyphs of Text with the top-left corner of its cell at (X, Y), within Clip.
TCoverage TextCoverage(int X, int Y, const std::string& Text, const TFont& Font, const TRect& Clip);

// The advance width and the line height (ascent plus descent) of Text.
TSize MeasureText(const std::string& Text, const TFont& Font);

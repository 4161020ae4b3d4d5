#pragma once
// The median-cut quantizer: a histogram of 6 bits of red, 6 of green and 5 of blue is cut recursively
// into two halves along the channel of the largest weighted spread (by range, or by variance), at the
// pixel-weighted mean of that channel, down to a fixed depth; each final box becomes one palette entry,
// its mean colour.

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Palette.h"
#include "reduce/PackedColor.h"

#include <array>
#include <cstdint>
#include <vector>

struct TColorCell
{
    std::uint16_t Index = 0; // the palette index given by the cut
    std::int32_t CellNo = 0; // the cell's own number, kept when the table is reordered
    std::int32_t Count = 0;  // pixels in the cell
    std::int32_t Red = 0;    // the sum of red AND 3 while counting; the cell's red value after the cut
    std::int32_t Green = 0;  // likewise, green AND 3
    std::int32_t Blue = 0;   // likewise, blue AND 7
};

class TMedianCut
{
public:
    static constexpr int CellCount = 131072;
    // Colors holds 256 entries, so a cut goes at most 8 levels deep.
    static constexpr int MaxDepth = 8;

    TMedianCut();

    void AddColor(TPackedColor Color)
    {
        TColorCell& Cell = FCells[CellOf(Color)];
        ++Cell.Count;
        Cell.Red += RedOf(Color) & 3;
        Cell.Green += GreenOf(Color) & 3;
        Cell.Blue += BlueOf(Color) & 7;
    }
    // AddColor for every pixel of a 24-bit bitmap, rows from the top, each from the left.
    void AddColors(const TBitmap& Bitmap);
    // One cut per object, Depth 0..8 (above 8 raises the assertion of line 573, or 630 for the cut by
    // variance). Compact leaves the empty cells out; they then keep index 0.
    void Cut(int Depth, bool Compact);
    void CutByVariance(int Depth, bool Compact);

    int GetColorIndex(TPackedColor Color) const { return FIndexTable[CellOf(Color)]; }
    int IndexOfCell(std::uint32_t Cell) const { return FIndexTable[Cell]; }
    // The palette index of every cell.
    const std::uint8_t* IndexTable() const { return FIndexTable.data(); }
    TPalette GetPalette() const;

    int ColorCount() const { return FColorCount; }
    // The colours made by the cut, each blue, green, red, 0.
    const std::array<std::array<std::uint8_t, 4>, 256>& Colors() const { return FColors; }
    const std::vector<TColorCell>& Cells() const { return FCells; }

    static std::uint32_t CellOf(TPackedColor Color)
    {
        return std::uint32_t(RedOf(Color) >> 2) << 11 | std::uint32_t(GreenOf(Color) >> 2) << 5 |
               std::uint32_t(BlueOf(Color) >> 3);
    }

private:
    void RunCut(int Depth, bool Compact, bool ByVariance);
    void PrepareCells();
    template <bool ByVariance> void Split(int First, int Last, int Level);

    std::vector<TColorCell> FCells;
    std::vector<std::uint8_t> FIndexTable;
    int FColorCount = 0;
    int FMaxDepth = 0;
    std::array<std::array<std::uint8_t, 4>, 256> FColors{};
};

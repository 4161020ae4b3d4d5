#include "reduce/CellScan.h"
#include "reduce/IndexedResult.h"
#include "reduce/Reduce.h"

#include "platform/system/Exceptions.h"

#include <algorithm>
#include <utility>

namespace {

enum TChannel
{
    chRed,
    chGreen,
    chBlue
};

std::int32_t ValueOf(const TColorCell& Cell, TChannel Channel)
{
    return Channel == chRed ? Cell.Red : (Channel == chGreen ? Cell.Green : Cell.Blue);
}

// Red before green before blue on ties.
template <class T> TChannel WidestChannel(T Red, T Green, T Blue)
{
    if (Red >= Green && Red >= Blue) return chRed;
    return Green >= Blue ? chGreen : chBlue;
}

} // namespace

TMedianCut::TMedianCut() : FCells(CellCount), FIndexTable(CellCount, 0)
{
    for (int Number = 0; Number < CellCount; ++Number) FCells[std::size_t(Number)].CellNo = Number;
}

void TMedianCut::AddColors(const TBitmap& Bitmap)
{
    CellScans().Count(Bitmap, FCells.data());
}

void TMedianCut::PrepareCells()
{
    // Each cell's mean colour, truncated per channel; an empty cell takes its centre.
    for (TColorCell& Cell : FCells) {
        const std::int32_t R = Cell.CellNo >> 11, G = (Cell.CellNo >> 5) & 63, B = Cell.CellNo & 31;
        if (Cell.Count > 0) {
            Cell.Red = Cell.Red / Cell.Count + 4 * R;
            Cell.Green = Cell.Green / Cell.Count + 4 * G;
            Cell.Blue = Cell.Blue / Cell.Count + 8 * B;
        } else {
            Cell.Red = 4 * R + 2;
            Cell.Green = 4 * G + 2;
            Cell.Blue = 8 * B + 4;
        }
    }
}

void TMedianCut::Cut(int Depth, bool Compact)
{
    Assert(Depth >= 0 && Depth <= MaxDepth, "Reduce", 573);
    RunCut(Depth, Compact, false);
}

void TMedianCut::CutByVariance(int Depth, bool Compact)
{
    Assert(Depth >= 0 && Depth <= MaxDepth, "Reduce", 630);
    RunCut(Depth, Compact, true);
}

void TMedianCut::RunCut(int Depth, bool Compact, bool ByVariance)
{
    PrepareCells();
    FColorCount = 0;
    FMaxDepth = Depth;
    int Used = CellCount;
    if (Compact) {
        // The cells that hold pixels move to the front in order of cell number, by exchanges in place.
        Used = 0;
        for (TColorCell& Cell : FCells)
            if (Cell.Count > 0) std::swap(FCells[std::size_t(Used++)], Cell);
    }
    if (ByVariance)
        Split<true>(0, Used, 0);
    else
        Split<false>(0, Used, 0);
    std::fill(FIndexTable.begin(), FIndexTable.end(), std::uint8_t(0));
    for (int I = 0; I < Used; ++I) {
        const TColorCell& Cell = FCells[std::size_t(I)];
        FIndexTable[std::size_t(Cell.CellNo)] = std::uint8_t(Cell.Index);
    }
}

template <bool ByVariance> void TMedianCut::Split(int First, int Last, int Level)
{
    if (First == Last) return;
    const auto Begin = FCells.begin() + First, End = FCells.begin() + Last;
    std::int64_t Pixels = 0;
    std::int64_t Sum[3] = {0, 0, 0};
    std::int32_t Low[3] = {255, 255, 255}, High[3] = {0, 0, 0};
    // Sums of count × value², exact in 64 bits and so also in extended precision.
    std::uint64_t Squares[3] = {0, 0, 0};
    for (auto Cell = Begin; Cell != End; ++Cell) {
        const std::int32_t Values[3] = {Cell->Red, Cell->Green, Cell->Blue};
        Pixels += Cell->Count;
        for (int C = 0; C < 3; ++C) {
            Sum[C] += std::int64_t(Cell->Count) * Values[C];
            if constexpr (ByVariance) {
                Squares[C] += std::uint64_t(Cell->Count) * std::uint64_t(Values[C] * Values[C]);
            } else {
                Low[C] = std::min(Low[C], Values[C]);
                High[C] = std::max(High[C], Values[C]);
            }
        }
    }
    std::int64_t Mean[3];
    if (Pixels > 0) {
        for (int C = 0; C < 3; ++C) Mean[C] = Sum[C] / Pixels;
    } else {
        // No pixels: the plain mean of the cells' values.
        std::int64_t Plain[3] = {0, 0, 0};
        for (auto Cell = Begin; Cell != End; ++Cell) {
            Plain[chRed] += Cell->Red;
            Plain[chGreen] += Cell->Green;
            Plain[chBlue] += Cell->Blue;
        }
        for (int C = 0; C < 3; ++C) Mean[C] = Plain[C] / (Last - First);
    }
    if (Level == FMaxDepth || Pixels == 0) {
        FColors[std::size_t(FColorCount)] = {std::uint8_t(Mean[chBlue]), std::uint8_t(Mean[chGreen]),
                                             std::uint8_t(Mean[chRed]), 0};
        for (auto Cell = Begin; Cell != End; ++Cell) Cell->Index = std::uint16_t(FColorCount);
        ++FColorCount;
        return;
    }
    TChannel Channel;
    if constexpr (ByVariance) {
        long double Variance[3];
        for (int C = 0; C < 3; ++C)
            Variance[C] = static_cast<long double>(Squares[C]) / static_cast<long double>(Pixels) -
                          static_cast<long double>(Mean[C] * Mean[C]);
        Channel = WidestChannel(3 * Variance[chRed], 4 * Variance[chGreen], 2 * Variance[chBlue]);
    } else {
        // The weights 1.2, 1.4 and 1.0 of the ranges, as integers.
        Channel = WidestChannel(6 * (High[chRed] - Low[chRed]), 7 * (High[chGreen] - Low[chGreen]),
                                5 * (High[chBlue] - Low[chBlue]));
    }
    // Values at or below the mean go to the lower half.
    const std::int64_t Threshold = Mean[Channel];
    int I = First, J = Last;
    do {
        while (I < J && ValueOf(FCells[std::size_t(I)], Channel) <= Threshold) ++I;
        while (I < J && ValueOf(FCells[std::size_t(J - 1)], Channel) > Threshold) --J;
        if (I != J) std::swap(FCells[std::size_t(I)], FCells[std::size_t(J - 1)]);
    } while (I < J);
    // The upper half is cut first and so receives the lower palette indices.
    Split<ByVariance>(I, Last, Level + 1);
    Split<ByVariance>(First, I, Level + 1);
}

TPalette TMedianCut::GetPalette() const
{
    TLogPalette Record;
    for (int I = 0; I < FColorCount; ++I) {
        const auto& Color = FColors[std::size_t(I)];
        Record.palPalEntry.push_back(TPaletteEntry{Color[2], Color[1], Color[0], 0});
    }
    return TPalette(Record);
}

namespace {

std::unique_ptr<TBitmap> MedianCutResult(const TBitmap& Bitmap, const TMedianCut& MedianCut)
{
    auto Result = NewIndexedBitmap(Bitmap.Width(), Bitmap.Height(), MedianCut.GetPalette());
    CellScans().Index(Bitmap, MedianCut.IndexTable(), *Result);
    return Result;
}

} // namespace

std::unique_ptr<TBitmap> MedianCutReduce(const TBitmap& Bitmap, int Depth)
{
    Assert(Depth >= 0 && Depth <= TMedianCut::MaxDepth, "Reduce", 573);
    Assert(Bitmap.PixelFormat() == pf24bit, "Reduce", 574);
    auto MedianCut = std::make_unique<TMedianCut>();
    MedianCut->AddColors(Bitmap);
    MedianCut->Cut(Depth, true);
    return MedianCutResult(Bitmap, *MedianCut);
}

std::unique_ptr<TBitmap> MedianCutByVarianceReduce(const TBitmap& Bitmap, int Depth)
{
    Assert(Depth >= 0 && Depth <= TMedianCut::MaxDepth, "Reduce", 630);
    Assert(Bitmap.PixelFormat() == pf24bit, "Reduce", 631);
    auto MedianCut = std::make_unique<TMedianCut>();
    MedianCut->AddColors(Bitmap);
    MedianCut->CutByVariance(Depth, true);
    return MedianCutResult(Bitmap, *MedianCut);
}

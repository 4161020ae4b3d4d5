#include "reduce/IndexedResult.h"
#include "reduce/Reduce.h"

#include "platform/system/Exceptions.h"

#include <algorithm>
#include <bit>
#include <cstring>
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

namespace {

// While a picture is counted, each cell is one 64-bit word: the blue sum in bits 0 to 16, green in 17 to
// 32, red in 33 to 48 and the pixel count from bit 49. A word is added into its cell record once it holds
// FlushCount pixels, when the sums still fit their fields (7 × 16384 < 2^17, 3 × 16384 < 2^16), so a
// pixel costs one table update instead of four.
constexpr int GreenShift = 17, RedShift = 33, CountShift = 49;
constexpr std::uint64_t FlushCount = 16384;
constexpr std::uint64_t FlushWord = FlushCount << CountShift;

static_assert(std::endian::native == std::endian::little, "pixels are read as little-endian words");

// Four bytes as a little-endian word: read at a pixel, its packed colour in the low three bytes.
std::uint32_t ReadWord(const std::uint8_t* Bytes)
{
    std::uint32_t Value;
    std::memcpy(&Value, Bytes, 4);
    return Value;
}

void AddWord(TColorCell& Cell, std::uint64_t Word)
{
    Cell.Count += std::int32_t(Word >> CountShift);
    Cell.Red += std::int32_t((Word >> RedShift) & 0xFFFF);
    Cell.Green += std::int32_t((Word >> GreenShift) & 0xFFFF);
    Cell.Blue += std::int32_t(Word & 0x1FFFF);
}

} // namespace

void TMedianCut::AddColors(const TBitmap& Bitmap)
{
    std::vector<std::uint64_t> Words(CellCount, 0);
    const int Width = Bitmap.Width();
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        const std::uint8_t* Pixel = Bitmap.ScanLine(Y);
        for (int X = 0; X < Width; ++X, Pixel += 3) {
            const std::uint32_t Blue = Pixel[0], Green = Pixel[1], Red = Pixel[2];
            const std::uint32_t Cell = (Red >> 2) << 11 | (Green >> 2) << 5 | Blue >> 3;
            std::uint64_t& Word = Words[Cell];
            Word += std::uint64_t(1) << CountShift | std::uint64_t(Red & 3) << RedShift |
                    std::uint64_t(Green & 3) << GreenShift | (Blue & 7);
            if (Word >= FlushWord) {
                AddWord(FCells[Cell], Word);
                Word = 0;
            }
        }
    }
    for (std::uint32_t Cell = 0; Cell < std::uint32_t(CellCount); ++Cell)
        if (Words[Cell] != 0) AddWord(FCells[Cell], Words[Cell]);
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

// Building the 8-bit result four pixels at a time: their 12 bytes read as three words, whose bytes 0–2,
// 3–5, 6–8 and 9–11 are the pixels' packed colours, and their four indexes written as one.
std::unique_ptr<TBitmap> MedianCutResult(const TBitmap& Bitmap, const TMedianCut& MedianCut)
{
    auto Result = NewIndexedBitmap(Bitmap.Width(), Bitmap.Height(), MedianCut.GetPalette());
    const int Width = Bitmap.Width();
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        const std::uint8_t* Pixel = Bitmap.ScanLine(Y);
        std::uint8_t* Target = Result->ScanLine(Y);
        int X = 0;
        for (; X + 4 <= Width; X += 4, Pixel += 12) {
            const std::uint32_t A = ReadWord(Pixel), B = ReadWord(Pixel + 4), C = ReadWord(Pixel + 8);
            const std::uint32_t Indexes = std::uint32_t(MedianCut.GetColorIndex(A)) |
                                          std::uint32_t(MedianCut.GetColorIndex(A >> 24 | B << 8)) << 8 |
                                          std::uint32_t(MedianCut.GetColorIndex(B >> 16 | C << 16)) << 16 |
                                          std::uint32_t(MedianCut.GetColorIndex(C >> 8)) << 24;
            std::memcpy(Target + X, &Indexes, 4);
        }
        for (; X < Width; ++X, Pixel += 3) Target[X] = std::uint8_t(MedianCut.GetColorIndex(PackPixel(Pixel)));
    }
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

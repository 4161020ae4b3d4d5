#include "reduce/CellScan.h"
#include "reduce/DiffuseIntoIndexes.h"

#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include <immintrin.h>

namespace {

// While a picture is counted, each cell is one 64-bit word: the blue sum in bits 0 to 16, green in 17 to
// 32, red in 33 to 48 and the pixel count from bit 49. A word is added into its cell record once it holds
// FlushCount pixels, when the sums still fit their fields (7 × 16384 < 2^17, 3 × 16384 < 2^16), so a
// pixel costs one table update instead of four.
constexpr int GreenShift = 17, RedShift = 33, CountShift = 49;
constexpr std::uint64_t FlushCount = 16384;
constexpr std::uint64_t FlushWord = FlushCount << CountShift;

static_assert(std::endian::native == std::endian::little, "pixels are read as little-endian words");

void AddWord(TColorCell& Cell, std::uint64_t Word)
{
    Cell.Count += std::int32_t(Word >> CountShift);
    Cell.Red += std::int32_t((Word >> RedShift) & 0xFFFF);
    Cell.Green += std::int32_t((Word >> GreenShift) & 0xFFFF);
    Cell.Blue += std::int32_t(Word & 0x1FFFF);
}

constexpr std::uint64_t CountWord(std::uint32_t Red, std::uint32_t Green, std::uint32_t Blue)
{
    return std::uint64_t(1) << CountShift | std::uint64_t(Red & 3) << RedShift |
           std::uint64_t(Green & 3) << GreenShift | (Blue & 7);
}

void AddToWord(std::uint64_t& Word, std::uint64_t Increment, TColorCell& Cell)
{
    Word += Increment;
    if (Word >= FlushWord) {
        AddWord(Cell, Word);
        Word = 0;
    }
}

void FlushWords(const std::vector<std::uint64_t>& Words, TColorCell* Cells)
{
    for (std::size_t Cell = 0; Cell < Words.size(); ++Cell)
        if (Words[Cell] != 0) AddWord(Cells[Cell], Words[Cell]);
}

// Four bytes as a little-endian word: read at a pixel, its packed colour in the low three bytes.
std::uint32_t ReadWord(const std::uint8_t* Bytes)
{
    std::uint32_t Value;
    std::memcpy(&Value, Bytes, 4);
    return Value;
}

void PlainCount(const TBitmap& Bitmap, TColorCell* Cells)
{
    std::vector<std::uint64_t> Words(TMedianCut::CellCount, 0);
    const int Width = Bitmap.Width();
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        const std::uint8_t* Pixel = Bitmap.ScanLine(Y);
        for (int X = 0; X < Width; ++X, Pixel += 3) {
            const std::uint32_t Blue = Pixel[0], Green = Pixel[1], Red = Pixel[2];
            const std::uint32_t Cell = (Red >> 2) << 11 | (Green >> 2) << 5 | Blue >> 3;
            AddToWord(Words[Cell], CountWord(Red, Green, Blue), Cells[Cell]);
        }
    }
    FlushWords(Words, Cells);
}

// Four pixels at a time: their 12 bytes read as three words, whose bytes 0–2, 3–5, 6–8 and 9–11 are the
// pixels' packed colours, and their four indexes written as one.
void PlainIndex(const TBitmap& Bitmap, const std::uint8_t* IndexTable, TBitmap& Result)
{
    const auto IndexOf = [IndexTable](TPackedColor Color) { return IndexTable[TMedianCut::CellOf(Color)]; };
    const int Width = Bitmap.Width();
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        const std::uint8_t* Pixel = Bitmap.ScanLine(Y);
        std::uint8_t* Target = Result.ScanLine(Y);
        int X = 0;
        for (; X + 4 <= Width; X += 4, Pixel += 12) {
            const std::uint32_t A = ReadWord(Pixel), B = ReadWord(Pixel + 4), C = ReadWord(Pixel + 8);
            const std::uint32_t Indexes = std::uint32_t(IndexOf(A)) | std::uint32_t(IndexOf(A >> 24 | B << 8)) << 8 |
                                          std::uint32_t(IndexOf(B >> 16 | C << 16)) << 16 |
                                          std::uint32_t(IndexOf(C >> 8)) << 24;
            std::memcpy(Target + X, &Indexes, 4);
        }
        for (; X < Width; ++X, Pixel += 3) Target[X] = IndexOf(PackPixel(Pixel));
    }
}

using DiffusionDetail::Combine;
using DiffusionDetail::ErrorShares;
using DiffusionDetail::TErrorShares;
using DiffusionDetail::TShareVectors;
using DiffusionDetail::TWindowShares;

// Per cell: the palette colour of its entry (blue, green, red) and, in the top byte, the index of that
// colour's own cell, which can belong to another entry.
std::vector<std::uint32_t> ChoiceTable(const TMedianCut& MedianCut)
{
    std::vector<std::uint32_t> Choice(TMedianCut::CellCount);
    for (std::uint32_t Cell = 0; Cell < std::uint32_t(TMedianCut::CellCount); ++Cell) {
        const auto& Color = MedianCut.Colors()[std::size_t(MedianCut.IndexOfCell(Cell))];
        const TPackedColor Packed = TPackedColor(Color[2]) << 16 | TPackedColor(Color[1]) << 8 | Color[0];
        Choice[Cell] = Packed | std::uint32_t(MedianCut.GetColorIndex(Packed)) << 24;
    }
    return Choice;
}

// Rows diffused together in one sweep, as many as the registers hold.
constexpr int PlainSweepRows = 4;

void PlainDiffuse(const TBitmap& Bitmap, const TMedianCut& MedianCut, TBitmap& Result)
{
    const std::vector<std::uint32_t> Choice = ChoiceTable(MedianCut);
    DiffuseIntoIndexes<PlainSweepRows>(Bitmap, Result, [&](std::uint32_t Old, TWindowShares& Shares) {
        const std::uint32_t Blue = Old & 0xFF, Green = Old >> 8 & 0xFF, Red = Old >> 16;
        const std::uint32_t Chosen = Choice[(Red >> 2) << 11 | (Green >> 2) << 5 | Blue >> 3];
        Shares =
            Combine(ErrorShares[0][(Chosen & 0xFF) + 255 - Blue], ErrorShares[1][(Chosen >> 8 & 0xFF) + 255 - Green],
                    ErrorShares[2][(Chosen >> 16 & 0xFF) + 255 - Red]);
        return int(Chosen >> 24);
    });
}

// With the bit-extract instruction: a pixel's bits under CellMask, packed together, are its cell number,
// and those under LowMask are its low bits of blue (0–2), green (3–4) and red (5–6).
constexpr std::uint64_t CellMask = 0xFCFCF8, LowMask = 0x030307;

struct TLowWords
{
    std::array<std::uint64_t, 128> Of{};
};

constexpr TLowWords MakeLowWords()
{
    TLowWords Table;
    for (std::uint32_t Low = 0; Low < 128; ++Low) Table.Of[Low] = CountWord(Low >> 5, Low >> 3, Low);
    return Table;
}

constexpr TLowWords LowWords = MakeLowWords();

// Eight pixels from their 24 bytes read as three words: where each pixel's packed colour lies, as a word
// and the shift of its low byte within it.
struct TEightPixels
{
    std::array<std::uint64_t, 8> Word;
    std::array<int, 8> Shift;
};

TEightPixels EightPixels(const std::uint8_t* Pixel)
{
    std::uint64_t A, B, C;
    std::memcpy(&A, Pixel, 8);
    std::memcpy(&B, Pixel + 8, 8);
    std::memcpy(&C, Pixel + 16, 8);
    return {{A, A, A >> 48 | B << 16, B, B, B >> 56 | C << 8, C, C}, {0, 24, 0, 8, 32, 0, 16, 40}};
}

__attribute__((target("bmi2"))) void BitExtractCount(const TBitmap& Bitmap, TColorCell* Cells)
{
    std::vector<std::uint64_t> Words(TMedianCut::CellCount, 0);
    const int Width = Bitmap.Width();
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        const std::uint8_t* Pixel = Bitmap.ScanLine(Y);
        int X = 0;
        for (; X + 8 <= Width; X += 8, Pixel += 24) {
            const TEightPixels Eight = EightPixels(Pixel);
            for (int K = 0; K < 8; ++K) {
                const std::uint64_t Word = Eight.Word[std::size_t(K)];
                const int Shift = Eight.Shift[std::size_t(K)];
                const std::uint64_t Cell = _pext_u64(Word, CellMask << Shift);
                AddToWord(Words[Cell], LowWords.Of[_pext_u64(Word, LowMask << Shift)], Cells[Cell]);
            }
        }
        for (; X < Width; ++X, Pixel += 3) {
            const TPackedColor Color = PackPixel(Pixel);
            const std::uint32_t Cell = TMedianCut::CellOf(Color);
            AddToWord(
                Words[Cell],
                CountWord(std::uint32_t(RedOf(Color)), std::uint32_t(GreenOf(Color)), std::uint32_t(BlueOf(Color))),
                Cells[Cell]);
        }
    }
    FlushWords(Words, Cells);
}

__attribute__((target("bmi2"))) void BitExtractIndex(const TBitmap& Bitmap, const std::uint8_t* IndexTable,
                                                     TBitmap& Result)
{
    const int Width = Bitmap.Width();
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        const std::uint8_t* Pixel = Bitmap.ScanLine(Y);
        std::uint8_t* Target = Result.ScanLine(Y);
        int X = 0;
        for (; X + 8 <= Width; X += 8, Pixel += 24) {
            const TEightPixels Eight = EightPixels(Pixel);
            std::uint64_t Indexes = 0;
            for (int K = 0; K < 8; ++K) {
                const std::uint64_t Cell =
                    _pext_u64(Eight.Word[std::size_t(K)], CellMask << Eight.Shift[std::size_t(K)]);
                Indexes |= std::uint64_t(IndexTable[Cell]) << (8 * K);
            }
            std::memcpy(Target + X, &Indexes, 8);
        }
        for (; X < Width; ++X, Pixel += 3) Target[X] = IndexTable[TMedianCut::CellOf(PackPixel(Pixel))];
    }
}

// The share tables' byte offsets of a pixel's three errors from one subtraction: per cell, the chosen
// colour's blue, green and red plus 255, times the 32 bytes of a table entry, in bits 0, 16 and 32 of a
// word, with the colour's index in bits 56 to 63; less the current colour's channels times 32, deposited
// in the same fields. No field borrows, since each chosen value plus 255 is at least the current one.
constexpr std::uint64_t SpreadMask = 0x1FE01FE01FE0;

std::vector<std::uint64_t> SpreadChoiceTable(const TMedianCut& MedianCut)
{
    const std::vector<std::uint32_t> Choice = ChoiceTable(MedianCut);
    std::vector<std::uint64_t> Spread(Choice.size());
    for (std::size_t Cell = 0; Cell < Choice.size(); ++Cell) {
        const std::uint64_t Chosen = Choice[Cell];
        Spread[Cell] = ((Chosen & 0xFF) + 255) << 5 | ((Chosen >> 8 & 0xFF) + 255) << 21 |
                       ((Chosen >> 16 & 0xFF) + 255) << 37 | (Chosen >> 24) << 56;
    }
    return Spread;
}

const TShareVectors& ShareAt(const TErrorShares& Shares, std::uint64_t Offset)
{
    return *reinterpret_cast<const TShareVectors*>(reinterpret_cast<const std::uint8_t*>(Shares.data()) + Offset);
}

struct TSpreadChoose
{
    const std::uint64_t* Spread;

    __attribute__((target("bmi2"))) int operator()(std::uint32_t Old, TWindowShares& Shares) const
    {
        const std::uint64_t Chosen = Spread[_pext_u32(Old, std::uint32_t(CellMask))];
        const std::uint64_t Offsets = Chosen - _pdep_u64(Old, SpreadMask);
        Shares = Combine(ShareAt(ErrorShares[0], Offsets & 0xFFFF), ShareAt(ErrorShares[1], Offsets >> 16 & 0xFFFF),
                         ShareAt(ErrorShares[2], Offsets >> 32 & 0xFFFF));
        return int(Chosen >> 56);
    }
};

// With fewer instructions a pixel, more rows fit in one sweep; flattening keeps the whole sweep in this
// function, compiled for the instructions.
constexpr int BitExtractSweepRows = 8;

__attribute__((flatten, target("bmi2"))) void BitExtractDiffuse(const TBitmap& Bitmap, const TMedianCut& MedianCut,
                                                                TBitmap& Result)
{
    const std::vector<std::uint64_t> Spread = SpreadChoiceTable(MedianCut);
    DiffuseIntoIndexes<BitExtractSweepRows>(Bitmap, Result, TSpreadChoose{Spread.data()});
}

const TCellScans BitExtractScans{BitExtractCount, BitExtractIndex, BitExtractDiffuse};

} // namespace

const TCellScans PlainCellScans{PlainCount, PlainIndex, PlainDiffuse};

const TCellScans* BitExtractCellScans()
{
    // Zen 1 and Zen 2 run the instruction in microcode, far slower than the plain scans.
    static const bool Fast = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("bmi2") && !__builtin_cpu_is("znver1") && !__builtin_cpu_is("znver2");
    }();
    return Fast ? &BitExtractScans : nullptr;
}

const TCellScans& CellScans()
{
    const TCellScans* Fast = BitExtractCellScans();
    return Fast ? *Fast : PlainCellScans;
}

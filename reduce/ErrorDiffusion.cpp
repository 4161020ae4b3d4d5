#include "reduce/CellScan.h"
#include "reduce/DiffuseIntoIndexes.h"
#include "reduce/IndexedResult.h"
#include "reduce/Messages.h"
#include "reduce/Reduce.h"

#include "platform/graphics/PixelMath.h"
#include "platform/system/Exceptions.h"

#include <vector>

namespace {

// The Floyd–Steinberg share of an error, truncated toward zero.
constexpr int Share(int Error, int Weight)
{
    return Error * Weight / 16;
}

// Rows diffused together in one sweep.
constexpr int SweepRows = 4;

using DiffusionDetail::Combine;
using DiffusionDetail::ErrorShares;
using DiffusionDetail::TShareVectors;
using DiffusionDetail::TWindowShares;

// The shares of the fixed palette's error of every level of each channel (blue, green, red): the error
// of a channel depends on that channel's level alone.
struct TStaticShares
{
    std::array<std::array<TShareVectors, 256>, 3> OfLevel;
};

const TStaticShares& StaticShares()
{
    static const TStaticShares Shares = [] {
        TStaticShares Table;
        for (int Level = 0; Level < 256; ++Level) {
            const std::size_t L = std::size_t(Level);
            Table.OfLevel[0][L] = ErrorShares[0][std::size_t(BlueLevel[BlueIndex[L]] - Level + 255)];
            Table.OfLevel[1][L] = ErrorShares[1][std::size_t(GreenLevel[GreenIndex[L]] - Level + 255)];
            Table.OfLevel[2][L] = ErrorShares[2][std::size_t(RedLevel[RedIndex[L]] - Level + 255)];
        }
        return Table;
    }();
    return Shares;
}

std::unique_ptr<TBitmap> MedianCutDiffusion(const TBitmap& Bitmap, const TMedianCut& MedianCut)
{
    auto Result = NewIndexedBitmap(Bitmap.Width(), Bitmap.Height(), MedianCut.GetPalette());
    CellScans().Diffuse(Bitmap, MedianCut, *Result);
    return Result;
}

} // namespace

void ErrorDiffusionPixel(int, int, TFilterWindow& Window, std::uint8_t* Pixel, const void* Data)
{
    const auto& Quantizer = *static_cast<const TQuantizeColor*>(Data);
    const std::uint8_t* Current = Window[5] + 15;
    Quantizer.Quantize(PackPixel(Current), Pixel);
    // Errors per channel; neighbours right, below left, below, below right, each red, green, blue.
    const int Error[3] = {Pixel[0] - Current[0], Pixel[1] - Current[1], Pixel[2] - Current[2]};
    struct TNeighbour
    {
        std::uint8_t* Pixel;
        int Weight;
    };
    const TNeighbour Neighbours[4] = {
        {Window[5] + 18, 7}, {Window[6] + 12, 3}, {Window[6] + 15, 5}, {Window[6] + 18, 1}};
    for (const TNeighbour& Neighbour : Neighbours)
        for (int C = 2; C >= 0; --C)
            Neighbour.Pixel[C] = std::uint8_t(ClampByte(Neighbour.Pixel[C] - Share(Error[C], Neighbour.Weight)));
}

std::unique_ptr<TBitmap> ErrorDiffusion(const TBitmap& Bitmap, const TQuantizeColor& Quantizer)
{
    return BitmapFilter(Bitmap, ErrorDiffusionPixel, &Quantizer);
}

TMedianCutQuantizeColor::TMedianCutQuantizeColor(const TMedianCut& MedianCut) : FMedianCut(MedianCut)
{
    const TPalette Palette = MedianCut.GetPalette();
    for (int I = 0; I < Palette.Count() && I < 256; ++I) FEntries[std::size_t(I)] = Palette[I];
}

void TMedianCutQuantizeColor::Quantize(TPackedColor Color, std::uint8_t* Pixel) const
{
    const TPaletteEntry& Entry = FEntries[std::size_t(FMedianCut.GetColorIndex(Color))];
    Pixel[0] = Entry.peBlue;
    Pixel[1] = Entry.peGreen;
    Pixel[2] = Entry.peRed;
}

std::unique_ptr<TBitmap> MedianCutDiffusionReduce(const TBitmap& Bitmap, int Depth)
{
    Assert(Depth >= 0 && Depth <= TMedianCut::MaxDepth, "Reduce", 689);
    Assert(Bitmap.PixelFormat() == pf24bit, "Reduce", 690);
    auto MedianCut = std::make_unique<TMedianCut>();
    MedianCut->AddColors(Bitmap);
    // Without compaction every cell has an entry, so every diffused colour has an index.
    MedianCut->Cut(Depth, false);
    return MedianCutDiffusion(Bitmap, *MedianCut);
}

std::unique_ptr<TBitmap> MedianCutByVarianceDiffusionReduce(const TBitmap& Bitmap, int Depth)
{
    Assert(Depth >= 0 && Depth <= TMedianCut::MaxDepth, "Reduce", 758);
    Assert(Bitmap.PixelFormat() == pf24bit, "Reduce", 759);
    auto MedianCut = std::make_unique<TMedianCut>();
    MedianCut->AddColors(Bitmap);
    MedianCut->CutByVariance(Depth, false);
    return MedianCutDiffusion(Bitmap, *MedianCut);
}

std::unique_ptr<TBitmap> StaticColorDiffusionReduce(const TBitmap& Bitmap)
{
    if (Bitmap.PixelFormat() != pf24bit) throw Exception(ReduceMessages::SBitmapFilterNeeds24Bit);
    auto Result = NewIndexedBitmap(Bitmap.Width(), Bitmap.Height(), StaticPalette());
    // The chosen colour is Old's levels, and its index is Old's: every level maps back to itself.
    const TStaticShares& Table = StaticShares();
    DiffuseIntoIndexes<SweepRows>(Bitmap, *Result, [&](std::uint32_t Old, TWindowShares& Shares) {
        const std::size_t Blue = Old & 0xFF, Green = Old >> 8 & 0xFF, Red = Old >> 16;
        Shares = Combine(Table.OfLevel[0][Blue], Table.OfLevel[1][Green], Table.OfLevel[2][Red]);
        return RedIndex[Red] * 35 + GreenIndex[Green] * 5 + BlueIndex[Blue];
    });
    return Result;
}

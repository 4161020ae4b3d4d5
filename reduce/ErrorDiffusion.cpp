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

// Error diffusion straight into palette indexes, with the results of BitmapFilter and
// ErrorDiffusionPixel followed by building the 8-bit result, but without the 24-bit picture between
// them: only the current row and the row below carry errors, as two working rows with one pixel of
// margin on each side where the errors that leave the picture are dropped. Choose(Old, New) writes the
// palette colour of Old (blue, green, red) into New and returns the index stored for it.
template <class TChoose> void DiffuseIntoIndexes(const TBitmap& Source, TBitmap& Result, const TChoose& Choose)
{
    const int Width = Source.Width(), Height = Source.Height();
    std::vector<int> Current(std::size_t(Width + 2) * 3, 0), Below(std::size_t(Width + 2) * 3, 0);
    const auto Load = [&](std::vector<int>& Row, int Y) {
        const std::uint8_t* Pixel = Source.ScanLine(Y);
        for (std::size_t Byte = 0; Byte < std::size_t(Width) * 3; ++Byte) Row[Byte + 3] = Pixel[Byte];
    };
    if (Height > 0) Load(Current, 0);
    for (int Y = 0; Y < Height; ++Y) {
        if (Y + 1 < Height) Load(Below, Y + 1);
        int* Here = Current.data() + 3;
        int* Next = Below.data() + 3;
        std::uint8_t* Target = Result.ScanLine(Y);
        for (int X = 0; X < Width; ++X, Here += 3, Next += 3) {
            int New[3];
            Target[X] = std::uint8_t(Choose(Here, New));
            for (int C = 0; C < 3; ++C) {
                const int Error = New[C] - Here[C];
                Here[C + 3] = ClampByte(Here[C + 3] - Share(Error, 7));
                Next[C - 3] = ClampByte(Next[C - 3] - Share(Error, 3));
                Next[C] = ClampByte(Next[C] - Share(Error, 5));
                Next[C + 3] = ClampByte(Next[C + 3] - Share(Error, 1));
            }
        }
        Current.swap(Below);
    }
}

std::unique_ptr<TBitmap> MedianCutDiffusion(const TBitmap& Bitmap, TMedianCut& MedianCut)
{
    auto Result = NewIndexedBitmap(Bitmap.Width(), Bitmap.Height(), MedianCut.GetPalette());
    // Per cell: the palette colour of its range (blue, green, red) and, in the top byte, the index of
    // that colour's own cell, which can belong to another entry's range.
    std::vector<std::uint32_t> Choice(TMedianCut::CellCount);
    for (std::uint32_t Cell = 0; Cell < std::uint32_t(TMedianCut::CellCount); ++Cell) {
        const auto& Color = MedianCut.Colors()[std::size_t(MedianCut.IndexOfCell(Cell))];
        const TPackedColor Packed = TPackedColor(Color[2]) << 16 | TPackedColor(Color[1]) << 8 | Color[0];
        Choice[Cell] = Packed | std::uint32_t(MedianCut.GetColorIndex(Packed)) << 24;
    }
    DiffuseIntoIndexes(Bitmap, *Result, [&](const int* Old, int* New) {
        const std::uint32_t Chosen =
            Choice[std::uint32_t(Old[2] >> 2) << 11 | std::uint32_t(Old[1] >> 2) << 5 | std::uint32_t(Old[0] >> 3)];
        New[0] = int(Chosen & 0xFF);
        New[1] = int(Chosen >> 8 & 0xFF);
        New[2] = int(Chosen >> 16 & 0xFF);
        return int(Chosen >> 24);
    });
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
    DiffuseIntoIndexes(Bitmap, *Result, [](const int* Old, int* New) {
        New[0] = BlueLevel[BlueIndex[std::size_t(Old[0])]];
        New[1] = GreenLevel[GreenIndex[std::size_t(Old[1])]];
        New[2] = RedLevel[RedIndex[std::size_t(Old[2])]];
        return RedIndex[std::size_t(Old[2])] * 35 + GreenIndex[std::size_t(Old[1])] * 5 +
               BlueIndex[std::size_t(Old[0])];
    });
    return Result;
}

#include "engine/GeometryKernels.h"
#include "engine/PixelBlocks.h"
#include "engine/Rows.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Pixel X of a 1- or 4-bit row: the leftmost pixel sits in the most significant bits.
unsigned GetSmall(const std::uint8_t* Row, int X, int BitCount)
{
    const int PerByte = 8 / BitCount;
    const int Shift = 8 - BitCount * (X % PerByte + 1);
    return (Row[X / PerByte] >> Shift) & ((1u << BitCount) - 1);
}

void PutSmall(std::uint8_t* Row, int X, int BitCount, unsigned Value)
{
    const int PerByte = 8 / BitCount;
    const int Shift = 8 - BitCount * (X % PerByte + 1);
    const unsigned Mask = ((1u << BitCount) - 1) << Shift;
    std::uint8_t& Byte = Row[X / PerByte];
    Byte = std::uint8_t((Byte & ~Mask) | (Value << Shift));
}

// Copies one whole pixel. A 3-byte pixel is moved as 4 bytes when Spare allows it: the extra byte
// lands on the next pixel of the row, which the caller writes afterwards, and is read from within the row.
template <int Size, bool Spare> void CopyPixel(std::uint8_t* To, const std::uint8_t* From)
{
    if constexpr (Size == 3 && Spare) {
        std::uint32_t Pixel;
        std::memcpy(&Pixel, From, 4);
        std::memcpy(To, &Pixel, 4);
    } else {
        std::memcpy(To, From, Size);
    }
}

// Target rows Top .. Bottom - 1, columns Left .. Right - 1 of a quarter turn: target row Y is source column
// Column(Y), target column X comes from source row Rows[X]. Tiles of Band source rows by TileRows target
// rows keep the lines read and the lines written in cache until they are used up.
template <int Size, class TColumn>
void TurnQuarter(const TConstRowAddresses& Rows, const TRowAddresses& Target, int SourceWidth, TColumn Column, int Top,
                 int Bottom, int Left, int Right)
{
    constexpr int Band = 16;
    constexpr int TileRows = 256;
    for (int Y0 = Top; Y0 < Bottom; Y0 += TileRows) {
        const int Y1 = std::min(Y0 + TileRows, Bottom);
        for (int X0 = Left; X0 < Right; X0 += Band) {
            const int X1 = std::min(X0 + Band, Right);
            // The last pixel of the part of a target row has no next pixel to absorb a spare byte.
            const int Spared = X1 == Right ? X1 - 1 : X1;
            for (int Y = Y0; Y < Y1; ++Y) {
                const int SourceColumn = Column(Y);
                const std::size_t Offset = std::size_t(Size) * std::size_t(SourceColumn);
                std::uint8_t* Out = Target[std::size_t(Y)] + Size * X0;
                // The source's last column has no byte after it inside the row.
                const int Fast = SourceColumn == SourceWidth - 1 ? X0 : Spared;
                int X = X0;
                for (; X < Fast; ++X, Out += Size) CopyPixel<Size, true>(Out, Rows[std::size_t(X)] + Offset);
                for (; X < X1; ++X, Out += Size) CopyPixel<Size, false>(Out, Rows[std::size_t(X)] + Offset);
            }
        }
    }
}

// Whole 8 × 8 blocks of 3- and 4-byte pixels go on vectors where the processor has them; the rest, and
// every other depth, pixel by pixel.
template <int Size>
void TurnWholePixels(const TConstRowAddresses& Source, const TRowAddresses& Target, int SourceWidth, int Angle)
{
    const int H = int(Source.size());
    const int TargetHeight = int(Target.size());
    const bool Clockwise = Angle == 90;
    TConstRowAddresses Rows(Source.size());
    for (int X = 0; X < H; ++X) Rows[std::size_t(X)] = Source[std::size_t(Clockwise ? H - 1 - X : X)];
    const auto Column = [Clockwise, SourceWidth](int Y) { return Clockwise ? Y : SourceWidth - 1 - Y; };
    int BlockRows = 0;
    int BlockColumns = 0;
    if (Size >= 3 && PixelBlocksAvailable()) {
        BlockRows = TargetHeight / 8 * 8;
        BlockColumns = H / 8 * 8;
        TurnBlocks(Rows, Target, Size, SourceWidth, Clockwise, BlockRows, BlockColumns);
    }
    TurnQuarter<Size>(Rows, Target, SourceWidth, Column, 0, BlockRows, BlockColumns, H);
    TurnQuarter<Size>(Rows, Target, SourceWidth, Column, BlockRows, TargetHeight, 0, H);
}

// A quarter turn (90 or 270) at any depth.
void TurnQuarterPixels(const TConstRowAddresses& Source, const TRowAddresses& Target, int SourceWidth, int BitCount,
                       int Angle)
{
    const int H = int(Source.size());
    switch (BitCount) {
    case 1:
    case 4:
        for (std::size_t Y = 0; Y < Target.size(); ++Y)
            for (int X = 0; X < H; ++X) {
                const int SX = Angle == 90 ? int(Y) : SourceWidth - 1 - int(Y);
                const int SY = Angle == 90 ? H - 1 - X : X;
                PutSmall(Target[Y], X, BitCount, GetSmall(Source[std::size_t(SY)], SX, BitCount));
            }
        break;
    case 8:
        TurnWholePixels<1>(Source, Target, SourceWidth, Angle);
        break;
    case 16:
        TurnWholePixels<2>(Source, Target, SourceWidth, Angle);
        break;
    case 24:
        TurnWholePixels<3>(Source, Target, SourceWidth, Angle);
        break;
    default:
        TurnWholePixels<4>(Source, Target, SourceWidth, Angle);
        break;
    }
}

// One row mirrored, whole pixels of Size bytes.
template <int Size> void MirrorRow(const std::uint8_t* From, std::uint8_t* To, int Width)
{
    const std::uint8_t* In = From + Size * (Width - 1);
    // The first pixel written is read from the row's end and the last one ends the target row: neither has
    // room for a spare byte.
    CopyPixel<Size, false>(To, In);
    int X = 1;
    for (In -= Size, To += Size; X < Width - 1; ++X, In -= Size, To += Size) CopyPixel<Size, true>(To, In);
    if (X < Width) CopyPixel<Size, false>(To, In);
}

void MirrorRow(const std::uint8_t* From, std::uint8_t* To, int Width, int BitCount)
{
    switch (BitCount) {
    case 1:
    case 4:
        for (int X = 0; X < Width; ++X) PutSmall(To, X, BitCount, GetSmall(From, Width - 1 - X, BitCount));
        break;
    case 8:
        MirrorRow<1>(From, To, Width);
        break;
    case 16:
        MirrorRow<2>(From, To, Width);
        break;
    case 24:
        MirrorRow<3>(From, To, Width);
        break;
    default:
        MirrorRow<4>(From, To, Width);
        break;
    }
}

} // namespace

void TurnPixels(const TBitmap& SourceBitmap, TBitmap& TargetBitmap, int Angle)
{
    const auto Source = RowAddresses(SourceBitmap);
    const auto Target = RowAddresses(TargetBitmap);
    const int W = SourceBitmap.Width();
    const int H = SourceBitmap.Height();
    const int BitCount = SourceBitmap.BitCount();
    if (Angle == 180) {
        for (int Y = 0; Y < H; ++Y) MirrorRow(Source[std::size_t(H - 1 - Y)], Target[std::size_t(Y)], W, BitCount);
    } else {
        TurnQuarterPixels(Source, Target, W, BitCount, Angle);
    }
}

void ReversePixels(TBitmap& Bitmap)
{
    const int Width = Bitmap.Width();
    const int BitCount = Bitmap.BitCount();
    // 3- and 4-byte pixels swap eight at a time from both ends on vectors where the processor has them;
    // the middle that is left over, and rows of other depths, are done below.
    const int Size = BitCount / 8;
    const int Blocks = Size >= 3 && PixelBlocksAvailable() ? Width / 2 / 8 * 8 : 0;
    const int Middle = Width - 2 * Blocks;
    const std::size_t Bytes = (std::size_t(Middle) * std::size_t(BitCount) + 7) / 8;
    // The middle is mirrored into a buffer that stays in cache and copied back. The buffer starts as the
    // row so that the unused bits after the last 1- or 4-bit pixel come back as they were.
    std::vector<std::uint8_t> Mirrored(Bytes);
    for (std::uint8_t* Row : RowAddresses(Bitmap)) {
        if (Blocks > 0) MirrorBlocks(Row, Width, Size, Blocks);
        std::uint8_t* Part = Row + Size * Blocks;
        if (Middle == 0) continue;
        if (BitCount < 8) std::memcpy(Mirrored.data(), Part, Bytes);
        MirrorRow(Part, Mirrored.data(), Middle, BitCount);
        std::memcpy(Part, Mirrored.data(), Bytes);
    }
}

void CropPixels(const TBitmap& SourceBitmap, TBitmap& TargetBitmap, int Left, int Top)
{
    const auto Source = RowAddresses(SourceBitmap);
    const auto Target = RowAddresses(TargetBitmap);
    const int BitCount = SourceBitmap.BitCount();
    const int Width = TargetBitmap.Width();
    for (std::size_t Y = 0; Y < Target.size(); ++Y) {
        const std::uint8_t* From = Source[std::size_t(Top) + Y];
        std::uint8_t* To = Target[Y];
        if (BitCount >= 8) {
            const std::size_t Size = std::size_t(BitCount / 8);
            std::memcpy(To, From + Size * std::size_t(Left), Size * std::size_t(Width));
        } else {
            for (int X = 0; X < Width; ++X) PutSmall(To, X, BitCount, GetSmall(From, Left + X, BitCount));
        }
    }
}

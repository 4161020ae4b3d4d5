#include "engine/GeometryKernels.h"
#include "engine/Rows.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

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

// Target(X, Y) := Source(SourceX(X, Y), SourceY(X, Y)) for every target pixel, in square tiles so
// that both the rows read and the rows written stay in cache.
template <int Size, class TMap>
void MapWholePixels(const TConstRowAddresses& Source, const TRowAddresses& Target, int Width, TMap Map)
{
    constexpr int Tile = 32;
    const int Height = int(Target.size());
    for (int TY0 = 0; TY0 < Height; TY0 += Tile) {
        const int TY1 = std::min(TY0 + Tile, Height);
        for (int TX0 = 0; TX0 < Width; TX0 += Tile) {
            const int TX1 = std::min(TX0 + Tile, Width);
            for (int Y = TY0; Y < TY1; ++Y) {
                std::uint8_t* Out = Target[Y] + Size * TX0;
                for (int X = TX0; X < TX1; ++X, Out += Size) {
                    int SX = 0, SY = 0;
                    Map(X, Y, SX, SY);
                    std::memcpy(Out, Source[SY] + Size * SX, Size);
                }
            }
        }
    }
}

template <class TMap>
void MapPixels(const TConstRowAddresses& Source, const TRowAddresses& Target, int Width, int BitCount, TMap Map)
{
    switch (BitCount) {
    case 1:
    case 4:
        for (std::size_t Y = 0; Y < Target.size(); ++Y)
            for (int X = 0; X < Width; ++X) {
                int SX = 0, SY = 0;
                Map(X, int(Y), SX, SY);
                PutSmall(Target[Y], X, BitCount, GetSmall(Source[SY], SX, BitCount));
            }
        break;
    case 8:
        MapWholePixels<1>(Source, Target, Width, Map);
        break;
    case 16:
        MapWholePixels<2>(Source, Target, Width, Map);
        break;
    case 24:
        MapWholePixels<3>(Source, Target, Width, Map);
        break;
    default:
        MapWholePixels<4>(Source, Target, Width, Map);
        break;
    }
}

// One row mirrored, whole pixels of Size bytes.
template <int Size> void MirrorRow(const std::uint8_t* From, std::uint8_t* To, int Width)
{
    const std::uint8_t* In = From + Size * (Width - 1);
    for (int X = 0; X < Width; ++X, In -= Size, To += Size) std::memcpy(To, In, Size);
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
    } else if (Angle == 90) {
        MapPixels(Source, Target, H, BitCount, [H](int X, int Y, int& SX, int& SY) {
            SX = Y;
            SY = H - 1 - X;
        });
    } else {
        MapPixels(Source, Target, H, BitCount, [W](int X, int Y, int& SX, int& SY) {
            SX = W - 1 - Y;
            SY = X;
        });
    }
}

void ReversePixels(const TBitmap& SourceBitmap, TBitmap& TargetBitmap)
{
    const auto Source = RowAddresses(SourceBitmap);
    const auto Target = RowAddresses(TargetBitmap);
    for (std::size_t Y = 0; Y < Source.size(); ++Y)
        MirrorRow(Source[Y], Target[Y], SourceBitmap.Width(), SourceBitmap.BitCount());
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

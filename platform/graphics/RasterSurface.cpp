#include "platform/graphics/RasterSurface.h"

#include "platform/graphics/HalftonePalette.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace {

TBitFields FieldsOf(const TBitmap& Pixels)
{
    if (Pixels.BitCount() == 16) return Pixels.HasBitFields() ? Pixels.BitFields() : BitFields555;
    if (Pixels.BitCount() == 32 && Pixels.HasBitFields()) return Pixels.BitFields();
    return TBitFields{0xFF0000, 0x00FF00, 0x0000FF};
}

} // namespace

TRasterSurface::TRasterSurface(const TBitmap& Pixels)
    : FPixels(Pixels), FWidth(Pixels.Width()), FHeight(Pixels.Height()), FBitCount(Pixels.BitCount()),
      FValueMask(FBitCount >= 32 ? 0xFFFFFFFFu : (1u << FBitCount) - 1), FFields(FieldsOf(Pixels)),
      FRed(MakeChannel(FFields.Red)), FGreen(MakeChannel(FFields.Green)), FBlue(MakeChannel(FFields.Blue)),
      FReader(FFields)
{
    if (Indexed()) {
        FIndexColors = MakeIndexColors(Pixels.ColorTable());
        FHalftone = FBitCount == 8 && Pixels.ColorTable() == HalftonePalette();
    }
}

bool TRasterSurface::SameLayout(const TRasterSurface& Other) const
{
    if (FBitCount != Other.FBitCount) return false;
    if (Indexed()) return FPixels.ColorTable() == Other.FPixels.ColorTable();
    return FFields == Other.FFields;
}

TRasterSurface::TChannel TRasterSurface::MakeChannel(std::uint32_t Mask)
{
    if (Mask == 0) return {};
    return TChannel{Mask, std::countr_zero(Mask), int(std::bit_width(Mask >> std::countr_zero(Mask)))};
}

std::uint32_t TRasterSurface::Pack(std::uint8_t Level, const TChannel& Channel)
{
    if (Channel.Mask == 0) return 0;
    // Narrow fields keep the level's top bits; wide ones place the level in their top byte.
    const std::uint32_t Field =
        Channel.Bits >= 8 ? std::uint32_t(Level) << (Channel.Bits - 8) : std::uint32_t(Level) >> (8 - Channel.Bits);
    return (Field << Channel.Shift) & Channel.Mask;
}

std::uint32_t TRasterSurface::Map(TColor Color) const
{
    const int Red = GetRValue(Color);
    const int Green = GetGValue(Color);
    const int Blue = GetBValue(Color);
    if (!Indexed())
        return Pack(std::uint8_t(Red), FRed) | Pack(std::uint8_t(Green), FGreen) | Pack(std::uint8_t(Blue), FBlue);
    if (FHalftone) return THalftoneMap::Instance().Index(std::uint8_t(Red), std::uint8_t(Green), std::uint8_t(Blue));
    const std::uint32_t Entries = std::min(std::uint32_t(FPixels.ColorTable().Count()), FValueMask + 1);
    std::uint32_t Best = 0;
    int BestDistance = std::numeric_limits<int>::max();
    for (std::uint32_t Index = 0; Index < Entries; ++Index) {
        const auto& Entry = FIndexColors[Index]; // blue, green, red
        const int DeltaRed = Red - Entry[2];
        const int DeltaGreen = Green - Entry[1];
        const int DeltaBlue = Blue - Entry[0];
        const int Distance = DeltaRed * DeltaRed + DeltaGreen * DeltaGreen + DeltaBlue * DeltaBlue;
        if (Distance < BestDistance) {
            BestDistance = Distance;
            Best = Index;
        }
    }
    return Best;
}

TColor TRasterSurface::ColorOf(std::uint32_t Value) const
{
    if (!Indexed()) return RGB(FReader.Red(Value), FReader.Green(Value), FReader.Blue(Value));
    const auto& Entry = FIndexColors[Value & 0xFF];
    return RGB(Entry[2], Entry[1], Entry[0]);
}

std::uint8_t* TRasterSurface::Row(int Y) const
{
    // The const row access leaves a device-dependent bitmap as it is; the canvas owning this surface
    // may write the bitmap's pixels.
    return const_cast<std::uint8_t*>(FPixels.ScanLine(Y));
}

std::uint32_t TRasterSurface::Get(const std::uint8_t* Line, int X) const
{
    switch (FBitCount) {
    case 1:
        return (Line[X >> 3] >> (7 - (X & 7))) & 1u;
    case 4:
        return (X & 1) ? Line[X >> 1] & 0x0Fu : Line[X >> 1] >> 4;
    case 8:
        return Line[X];
    case 16: {
        std::uint16_t Word;
        std::memcpy(&Word, Line + 2 * std::size_t(X), 2);
        return Word;
    }
    case 24: {
        const std::uint8_t* Pixel = Line + 3 * std::size_t(X);
        return Pixel[0] | (std::uint32_t(Pixel[1]) << 8) | (std::uint32_t(Pixel[2]) << 16);
    }
    default: {
        std::uint32_t Word;
        std::memcpy(&Word, Line + 4 * std::size_t(X), 4);
        return Word;
    }
    }
}

void TRasterSurface::Put(std::uint8_t* Line, int X, std::uint32_t Value) const
{
    switch (FBitCount) {
    case 1: {
        const auto Bit = std::uint8_t(0x80u >> (X & 7));
        Line[X >> 3] = std::uint8_t((Line[X >> 3] & ~Bit) | (Value & 1u ? Bit : 0));
        break;
    }
    case 4: {
        std::uint8_t& Byte = Line[X >> 1];
        Byte = (X & 1) ? std::uint8_t((Byte & 0xF0) | (Value & 0x0F)) : std::uint8_t((Byte & 0x0F) | (Value << 4));
        break;
    }
    case 8:
        Line[X] = std::uint8_t(Value);
        break;
    case 16: {
        const auto Word = std::uint16_t(Value);
        std::memcpy(Line + 2 * std::size_t(X), &Word, 2);
        break;
    }
    case 24: {
        std::uint8_t* Pixel = Line + 3 * std::size_t(X);
        Pixel[0] = std::uint8_t(Value);
        Pixel[1] = std::uint8_t(Value >> 8);
        Pixel[2] = std::uint8_t(Value >> 16);
        break;
    }
    default:
        std::memcpy(Line + 4 * std::size_t(X), &Value, 4);
        break;
    }
}

std::uint32_t TRasterSurface::Combine(std::uint32_t Destination, std::uint32_t Value, TPenMode Mode) const
{
    switch (Mode) {
    case pmNotXor:
        return ~(Value ^ Destination) & FValueMask;
    case pmXor:
        return (Value ^ Destination) & FValueMask;
    case pmNot:
        return ~Destination & FValueMask;
    case pmCopy:
        break;
    }
    return Value & FValueMask;
}

void TRasterSurface::Plot(int X, int Y, std::uint32_t Value, TPenMode Mode) const
{
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return;
    Put(X, Y, Mode == pmCopy ? Value : Combine(Get(X, Y), Value, Mode));
}

void TRasterSurface::Span(int Y, int X1, int X2, std::uint32_t Value, TPenMode Mode) const
{
    if (Y < 0 || Y >= FHeight) return;
    X1 = std::max(X1, 0);
    X2 = std::min(X2, FWidth);
    if (X1 >= X2) return;
    std::uint8_t* Line = Row(Y);
    // The common depths run byte loops; the others go pixel by pixel.
    if (FBitCount == 8) {
        for (int X = X1; X < X2; ++X) Line[X] = std::uint8_t(Combine(Line[X], Value, Mode));
    } else if (FBitCount == 24 && Mode == pmCopy) {
        const std::uint8_t Bytes[3] = {std::uint8_t(Value), std::uint8_t(Value >> 8), std::uint8_t(Value >> 16)};
        for (std::uint8_t* Pixel = Line + 3 * std::size_t(X1); Pixel < Line + 3 * std::size_t(X2); Pixel += 3)
            std::memcpy(Pixel, Bytes, 3);
    } else if (FBitCount == 32 && Mode == pmCopy) {
        for (int X = X1; X < X2; ++X) std::memcpy(Line + 4 * std::size_t(X), &Value, 4);
    } else {
        for (int X = X1; X < X2; ++X) Put(X, Y, Combine(Get(X, Y), Value, Mode));
    }
}

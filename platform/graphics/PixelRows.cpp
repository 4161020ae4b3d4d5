#include "platform/graphics/PixelRows.h"

#include "platform/graphics/HalftonePalette.h"
#include "platform/graphics/PixelRowsAvx2.h"

#include <bit>
#include <cstring>

// 16- and 32-bit pixels are little-endian words, as in the file formats; they are moved with memcpy.
static_assert(std::endian::native == std::endian::little);

TIndexColors MakeIndexColors(const TPalette& Palette)
{
    TIndexColors Colors{};
    const int Count = Palette.Count() < 256 ? Palette.Count() : 256;
    for (int Index = 0; Index < Count; ++Index) {
        const TPaletteEntry& Entry = Palette[Index];
        Colors[std::size_t(Index)] = {Entry.peBlue, Entry.peGreen, Entry.peRed};
    }
    return Colors;
}

TChannelReader::TChannelReader(std::uint32_t Mask) : FMask(Mask)
{
    if (Mask == 0) return; // an absent channel reads 0
    FShift = std::countr_zero(Mask);
    const int Bits = std::bit_width(Mask >> FShift);
    if (Bits >= 8) {
        FDrop = Bits - 8;
        for (int Value = 0; Value < 256; ++Value) FWiden[std::size_t(Value)] = std::uint8_t(Value);
        return;
    }
    // Repeat the value's bits downwards from the top of the byte: abcde -> abcdeabc.
    for (int Value = 0; Value < (1 << Bits); ++Value) {
        int Level = 0;
        for (int Position = 8 - Bits; Position > -Bits; Position -= Bits)
            Level |= Position >= 0 ? Value << Position : Value >> -Position;
        FWiden[std::size_t(Value)] = std::uint8_t(Level);
    }
}

void ReadIndexedRow(const std::uint8_t* Source, int BitCount, int Width, const TIndexColors& Colors, std::uint8_t* Bgr)
{
    const int PerByte = 8 / BitCount;
    const int Mask = (1 << BitCount) - 1;
    for (int X = 0; X < Width; ++X) {
        const int Shift = 8 - BitCount * (X % PerByte + 1);
        const auto& Color = Colors[std::size_t((Source[X / PerByte] >> Shift) & Mask)];
        std::memcpy(Bgr + 3 * X, Color.data(), 3);
    }
}

void ReadMaskedRow(const std::uint8_t* Source, int BitCount, int Width, const TMaskedReader& Reader, std::uint8_t* Bgr)
{
    for (int X = 0; X < Width; ++X) {
        std::uint32_t Pixel = 0;
        if (BitCount == 16) {
            std::uint16_t Word;
            std::memcpy(&Word, Source + 2 * X, 2);
            Pixel = Word;
        } else {
            std::memcpy(&Pixel, Source + 4 * X, 4);
        }
        Bgr[3 * X] = Reader.Blue(Pixel);
        Bgr[3 * X + 1] = Reader.Green(Pixel);
        Bgr[3 * X + 2] = Reader.Red(Pixel);
    }
}

void SwapRedBlueRow(const std::uint8_t* Source, int Width, std::uint8_t* Target)
{
    for (int X = Avx2Rows::Available() ? Avx2Rows::SwapRedBlue(Source, Width, Target) : 0; X < Width; ++X) {
        const std::uint8_t First = Source[X * 3];
        Target[X * 3 + 1] = Source[X * 3 + 1];
        Target[X * 3] = Source[X * 3 + 2];
        Target[X * 3 + 2] = First;
    }
}

void ReadBgrxRow(const std::uint8_t* Source, int Width, std::uint8_t* Bgr)
{
    for (int X = Avx2Rows::Available() ? Avx2Rows::ReadBgrx(Source, Width, Bgr) : 0; X < Width; ++X) {
        Bgr[3 * X] = Source[4 * X];
        Bgr[3 * X + 1] = Source[4 * X + 1];
        Bgr[3 * X + 2] = Source[4 * X + 2];
    }
}

void WriteBlackWhiteRow(const std::uint8_t* Bgr, int Width, std::uint8_t* Target)
{
    // White is nearer than black exactly where 2 × (red + green + blue) > 3 × 255.
    for (int X = 0; X < Width; ++X) {
        const int Sum = Bgr[3 * X] + Bgr[3 * X + 1] + Bgr[3 * X + 2];
        if (X % 8 == 0) Target[X / 8] = 0;
        if (Sum > 382) Target[X / 8] = std::uint8_t(Target[X / 8] | (0x80 >> (X % 8)));
    }
}

void WriteStandardColorRow(const std::uint8_t* Bgr, int Width, std::uint8_t* Target)
{
    const TPalette& Palette = StandardColorPalette();
    for (int X = 0; X < Width; ++X) {
        int Best = 0;
        int BestDistance = 1 << 30;
        for (int Index = 0; Index < Palette.Count(); ++Index) {
            const TPaletteEntry& Entry = Palette[Index];
            const int Blue = Bgr[3 * X] - Entry.peBlue;
            const int Green = Bgr[3 * X + 1] - Entry.peGreen;
            const int Red = Bgr[3 * X + 2] - Entry.peRed;
            const int Distance = Blue * Blue + Green * Green + Red * Red;
            if (Distance < BestDistance) {
                Best = Index;
                BestDistance = Distance;
            }
        }
        Target[X / 2] = std::uint8_t(X % 2 == 0 ? Best << 4 : Target[X / 2] | Best);
    }
}

void WriteHalftoneRow(const std::uint8_t* Bgr, int Width, std::uint8_t* Target)
{
    const THalftoneMap& Map = THalftoneMap::Instance();
    for (int X = Avx2Rows::Available() ? Avx2Rows::WriteHalftone(Bgr, Width, Target) : 0; X < Width; ++X)
        Target[X] = Map.Index(Bgr[3 * X + 2], Bgr[3 * X + 1], Bgr[3 * X]);
}

// The words are stored a byte at a time, low byte first; the plain loops finish the rows the AVX2 kernels
// start.
void Write555Row(const std::uint8_t* Bgr, int Width, std::uint8_t* Target)
{
    for (int X = Avx2Rows::Available() ? Avx2Rows::Write555(Bgr, Width, Target) : 0; X < Width; ++X) {
        const int Word = (Bgr[3 * X + 2] >> 3) << 10 | (Bgr[3 * X + 1] >> 3) << 5 | Bgr[3 * X] >> 3;
        Target[2 * X] = std::uint8_t(Word);
        Target[2 * X + 1] = std::uint8_t(Word >> 8);
    }
}

void Write565Row(const std::uint8_t* Bgr, int Width, std::uint8_t* Target)
{
    for (int X = Avx2Rows::Available() ? Avx2Rows::Write565(Bgr, Width, Target) : 0; X < Width; ++X) {
        const int Word = (Bgr[3 * X + 2] >> 3) << 11 | (Bgr[3 * X + 1] >> 2) << 5 | Bgr[3 * X] >> 3;
        Target[2 * X] = std::uint8_t(Word);
        Target[2 * X + 1] = std::uint8_t(Word >> 8);
    }
}

void WriteBgrxRow(const std::uint8_t* Bgr, int Width, std::uint8_t* Target)
{
    for (int X = Avx2Rows::Available() ? Avx2Rows::WriteBgrx(Bgr, Width, Target) : 0; X < Width; ++X) {
        Target[4 * X] = Bgr[3 * X];
        Target[4 * X + 1] = Bgr[3 * X + 1];
        Target[4 * X + 2] = Bgr[3 * X + 2];
        Target[4 * X + 3] = 0;
    }
}

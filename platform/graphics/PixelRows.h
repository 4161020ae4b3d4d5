#pragma once
// Row kernels of the pixel-format conversions: every layout is read into, and written from, a row of
// 24-bit pixels (blue, green, red). Each function writes every byte that holds one of the row's Width
// pixels (the unused low bits of a last 1- or 4-bit byte become 0) and nothing beyond; source and target
// must not overlap.

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Palette.h"

#include <array>
#include <cstdint>

// The colours of a 1-, 4- or 8-bit row's indexes as blue, green, red; indexes beyond the palette read
// as black.
using TIndexColors = std::array<std::array<std::uint8_t, 3>, 256>;
TIndexColors MakeIndexColors(const TPalette& Palette);

// Reads one channel of a bit-field pixel as an 8-bit level: channels narrower than 8 bits widen by
// repeating their top bits (5-bit 31 becomes 255, 5-bit 16 becomes 132); wider ones keep their top 8.
class TChannelReader
{
public:
    explicit TChannelReader(std::uint32_t Mask);
    std::uint8_t operator()(std::uint32_t Pixel) const { return FWiden[((Pixel & FMask) >> FShift) >> FDrop]; }

private:
    std::uint32_t FMask;
    int FShift = 0;
    int FDrop = 0;
    std::array<std::uint8_t, 256> FWiden{};
};

struct TMaskedReader
{
    explicit TMaskedReader(const TBitFields& Fields) : Red(Fields.Red), Green(Fields.Green), Blue(Fields.Blue) {}
    TChannelReader Red;
    TChannelReader Green;
    TChannelReader Blue;
};

// BitCount 1, 4 or 8: leftmost pixel in the most significant bits.
void ReadIndexedRow(const std::uint8_t* Source, int BitCount, int Width, const TIndexColors& Colors, std::uint8_t* Bgr);
// BitCount 16 or 32, any masks.
void ReadMaskedRow(const std::uint8_t* Source, int BitCount, int Width, const TMaskedReader& Reader, std::uint8_t* Bgr);
// 32 bits blue, green, red, unused byte.
void ReadBgrxRow(const std::uint8_t* Source, int Width, std::uint8_t* Bgr);

// Three-byte pixels with their first and third bytes exchanged: red, green, blue (a TIFF's or libheif's
// row) to blue, green, red (a bitmap's), and back. Source and Target may be the same row.
void SwapRedBlueRow(const std::uint8_t* Source, int Width, std::uint8_t* Target);

// Black where red + green + blue is at most 382, white above: the nearer of the two.
void WriteBlackWhiteRow(const std::uint8_t* Bgr, int Width, std::uint8_t* Target);
// The nearest of the 16 standard colours (lowest index on ties), two pixels a byte.
void WriteStandardColorRow(const std::uint8_t* Bgr, int Width, std::uint8_t* Target);
// The nearest halftone entry (see HalftonePalette.h).
void WriteHalftoneRow(const std::uint8_t* Bgr, int Width, std::uint8_t* Target);
// 5-5-5 and 5-6-5: each channel keeps its top bits.
void Write555Row(const std::uint8_t* Bgr, int Width, std::uint8_t* Target);
void Write565Row(const std::uint8_t* Bgr, int Width, std::uint8_t* Target);
// Blue, green, red, and 0 in the unused byte.
void WriteBgrxRow(const std::uint8_t* Bgr, int Width, std::uint8_t* Target);
